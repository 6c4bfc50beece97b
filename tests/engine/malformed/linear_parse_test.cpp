// Conversion work must grow linearly with the input. Time is not a
// deterministic measure, so the work is counted as memory requests: this
// program replaces the global allocator with one that counts calls and
// bytes, and each input shape is converted at sizes that double.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include "engine/convert/eml_converter.h"

namespace {

std::atomic<std::size_t> gCalls{0};
std::atomic<std::size_t> gBytes{0};

}  // namespace

namespace {

void* Allocate(std::size_t size) {
    gCalls.fetch_add(1, std::memory_order_relaxed);
    gBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

// Out of line so that the compiler does not pair a new-expression with the
// free() it ends in.
[[gnu::noinline]] void Release(void* p) noexcept { std::free(p); }

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
// The forms that return null instead of throwing (as a stable sort's buffer
// asks) come here too, so that no block is freed by another allocator.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace mailvane {
namespace {

struct Work {
    std::size_t calls;
    std::size_t bytes;
};

Work Measure(const std::string& eml) {
    std::vector<std::uint8_t> input(eml.begin(), eml.end());
    ConversionOptions options;
    options.nowUnixSeconds = 1700000000;
    const std::size_t calls = gCalls.load();
    const std::size_t bytes = gBytes.load();
    Conversion c = ConvertEml(std::move(input), options);
    EXPECT_TRUE(c.message);
    return {gCalls.load() - calls, gBytes.load() - bytes};
}

std::string Repeat(const std::string& piece, std::size_t n) {
    std::string out;
    out.reserve(piece.size() * n);
    for (std::size_t i = 0; i < n; ++i) out += piece;
    return out;
}

const std::string kHead = "From: a@b.test\r\nTo: c@d.test\r\nSubject: s\r\nMIME-Version: 1.0\r\n";

struct Shape {
    const char* name;
    std::size_t base;  // the smallest size; the others double it
    std::function<std::string(std::size_t)> make;
};

const std::vector<Shape>& Shapes() {
    static const std::vector<Shape> shapes = {
        {"header fields", 1000, [](std::size_t n) { return kHead + Repeat("X-F: value\r\n", n) + "\r\nbody"; }},
        {"header line length", 50000,
         [](std::size_t n) { return "Subject: " + std::string(n, 'w') + "\r\n" + kHead + "\r\nb"; }},
        {"folded header", 5000, [](std::size_t n) { return kHead + "X-Long: a" + Repeat("\r\n b", n) + "\r\n\r\nb"; }},
        {"parts", 500,
         [](std::size_t n) {
             return kHead + "Content-Type: multipart/mixed; boundary=\"p\"\r\n\r\n" +
                    Repeat("--p\r\nContent-Type: text/plain\r\n\r\nxx\r\n", n) + "--p--\r\n";
         }},
        {"attachments", 200,
         [](std::size_t n) {
             return kHead + "Content-Type: multipart/mixed; boundary=\"p\"\r\n\r\n" +
                    Repeat(
                        "--p\r\nContent-Type: application/octet-stream; name=\"f.bin\"\r\n"
                        "Content-Disposition: attachment; filename=\"f.bin\"\r\n\r\nxx\r\n",
                        n) +
                    "--p--\r\n";
         }},
        {"nesting beyond the limit", 500,
         [](std::size_t n) {
             std::string s = kHead;
             for (std::size_t i = 0; i < n; ++i) {
                 s += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\r\n\r\n--b" +
                      std::to_string(i) + "\r\n";
             }
             return s + "\r\nleaf\r\n";
         }},
        {"base64 body", 100000,
         [](std::size_t n) {
             return kHead + "Content-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                    Repeat("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAx\r\n", n / 72);
         }},
        {"quoted-printable body", 100000,
         [](std::size_t n) {
             return kHead +
                    "Content-Type: text/plain; charset=iso-8859-1\r\n"
                    "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
                    Repeat("caf=E9 na=EFve soft=\r\n", n / 22);
         }},
        {"html body", 50000,
         [](std::size_t n) {
             return kHead + "Content-Type: text/html; charset=utf-8\r\n\r\n<html><body>" +
                    Repeat("<p class=\"x\">Hello <b>w\xc3\xb6rld</b> &amp; {more}</p>\r\n", n / 50) + "</body></html>";
         }},
        {"recipients", 500,
         [](std::size_t n) {
             return "From: a@b.test\r\nTo: " + Repeat("\"Name, Some\" <some.one@example.test>, ", n) +
                    "last@example.test\r\nSubject: s\r\n\r\nb";
         }},
        {"encoded words", 500,
         [](std::size_t n) {
             return "From: a@b.test\r\nSubject: " + Repeat("=?utf-8?B?w7xiZXI=?= ", n) + "\r\n\r\nb";
         }},
    };
    return shapes;
}

TEST(LinearParse, WorkGrowsLinearlyWithInputSize) {
    for (const Shape& shape : Shapes()) {
        std::vector<Work> work;
        std::string figures;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t n = shape.base << k;
            work.push_back(Measure(shape.make(n)));
            figures += " n=" + std::to_string(n) + ": " + std::to_string(work.back().calls) + " allocations, " +
                       std::to_string(work.back().bytes) + " bytes;";
        }
        std::printf("%s:%s\n", shape.name, figures.c_str());
        // Eight times the input may cost up to sixteen times the work (fixed
        // costs and growth slack); quadratic growth would cost sixty-four.
        EXPECT_LE(work[3].calls, 16 * work[0].calls + 1000) << shape.name;
        EXPECT_LE(work[3].bytes, 16 * work[0].bytes + (1u << 20)) << shape.name;
    }
}

}  // namespace
}  // namespace mailvane
