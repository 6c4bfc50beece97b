#include "eml2msg/progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mailvane::cli {

std::string ClockText(std::chrono::seconds duration) {
    const long long total = duration.count() < 0 ? 0 : static_cast<long long>(duration.count());
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

std::optional<std::string> ProgressLine::Update(std::uint64_t done, std::uint64_t failed,
                                                std::optional<double> handedOut, Clock::time_point now) {
    if (m_lastDrawn && now - *m_lastDrawn < kInterval) return std::nullopt;
    m_lastDrawn = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    std::string text = std::to_string(done) + " done, " + std::to_string(failed) + " failed";
    if (seconds > 0) {
        char rate[32];
        std::snprintf(rate, sizeof rate, ", %.0f/s", static_cast<double>(done) / seconds);
        text += rate;
    }
    if (handedOut && *handedOut > 0 && seconds > 0) {
        const double left = seconds * (1 - std::min(*handedOut, 1.0)) / *handedOut;
        text += ", " + ClockText(std::chrono::seconds(std::llround(left))) + " left";
    }
    const std::size_t width = text.size();
    if (width < m_width) text.append(m_width - width, ' ');
    m_width = width;
    return "\r" + text;
}

std::string ProgressLine::Erase() const {
    if (!m_lastDrawn) return {};
    return "\r" + std::string(m_width, ' ') + "\r";
}

}  // namespace mailvane::cli
