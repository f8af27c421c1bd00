// Writes a sample trace log of the tracking driver, the same bytes for the
// same record count and seed:
//
//   trackkit_sample_trace_log OUT.log RECORDS [SEED]

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "sim/trace_log_writer.h"

namespace {

// EndOffset is a 32-bit byte offset, so a log ends below 4 GiB.
constexpr std::uint64_t kMostRecords = (0xFFFFFFFFull - trackkit::kTraceLogHeaderBytes) / trackkit::kTraceRecordBytes;

template <typename Number>
bool ParseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv)
{
    trackkit::SampleTraceLogOptions options;
    std::uint64_t records = 0;
    if (argc < 3 || argc > 4 || !ParseNumber(argv[2], records) || records > kMostRecords ||
        (argc == 4 && !ParseNumber(argv[3], options.seed))) {
        std::fprintf(stderr, "usage: %s OUT.log RECORDS [SEED]   (RECORDS at most %llu)\n", argv[0],
                     static_cast<unsigned long long>(kMostRecords));
        return 2;
    }
    options.records = static_cast<std::size_t>(records);

    const std::vector<std::uint8_t> log = trackkit::WriteSampleTraceLog(options);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%zu records (%zu bytes) written to %s\n", options.records, log.size(), argv[1]);
    return 0;
}
