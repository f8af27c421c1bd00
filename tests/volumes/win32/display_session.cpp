// Before any test runs: can this process create windows at all? Under Wine a
// process that joined a session started without an X display cannot, and no
// window test could then say anything. The process ends with exit code 75,
// which wine_display_retry.sh answers by running the tests again in a new
// session.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "volumes/win32/list_test_window.h"

namespace trackkit::testing {
namespace {

constexpr int kNoDisplayExitCode = 75;

class DisplaySession final : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (TestParent() != nullptr)
            return;
        std::fprintf(stderr, "display_session: no window can be created in this session\n");
        std::fflush(stderr);
        std::_Exit(kNoDisplayExitCode);
    }
};

[[maybe_unused]] ::testing::Environment* const kDisplaySession =
    ::testing::AddGlobalTestEnvironment(new DisplaySession);

} // namespace
} // namespace trackkit::testing
