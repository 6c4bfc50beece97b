#include "filing/compound_file_signature.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/cfb/compound_file_builder.h"
#include "engine/cfb/compound_file_writer.h"
#include "engine/io/vector_sink.h"

namespace mailvane::filing {
namespace {

// The smallest file the compound-file writer makes: a root and nothing in it.
std::vector<std::uint8_t> WrittenCompoundFile() {
    const cfb::CompoundFileBuilder builder;
    VectorSink sink;
    EXPECT_EQ(cfb::WriteCompoundFile(builder, sink), cfb::CfbWriteStatus::Ok);
    return sink.Take();
}

TEST(CompoundFileSignature, AFileTheWriterMadeHasIt) {
    const std::vector<std::uint8_t> file = WrittenCompoundFile();
    EXPECT_TRUE(HasCompoundFileSignature(file.data(), file.size()));
    EXPECT_TRUE(HasCompoundFileSignature(file.data(), kCompoundFileSignatureSize));
}

// Fewer bytes than the signature, or any byte of it changed, say no: an
// empty file or a text file with the right start is not a message file.
TEST(CompoundFileSignature, ShortOrChangedHeadsHaveItNot) {
    const std::vector<std::uint8_t> file = WrittenCompoundFile();
    for (std::size_t size = 0; size < kCompoundFileSignatureSize; ++size) {
        EXPECT_FALSE(HasCompoundFileSignature(file.data(), size)) << size;
    }
    for (std::size_t at = 0; at < kCompoundFileSignatureSize; ++at) {
        std::vector<std::uint8_t> changed = file;
        changed[at] ^= 0x01;
        EXPECT_FALSE(HasCompoundFileSignature(changed.data(), changed.size())) << at;
    }
}

}  // namespace
}  // namespace mailvane::filing
