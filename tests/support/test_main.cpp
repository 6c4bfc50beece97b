// The main of every test program. CTest takes exit status 77 for a skip
// (SKIP_RETURN_CODE), so a program whose tests passed but some skipped is
// reported as skipped rather than as passed; a failure still fails.
#include <gtest/gtest.h>

namespace {

constexpr int kSomeSkipped = 77;

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    if (failed != 0) return failed;
    return testing::UnitTest::GetInstance()->skipped_test_count() > 0 ? kSomeSkipped : 0;
}
