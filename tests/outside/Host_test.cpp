// The message lines of the POSIX host.
#include <gtest/gtest.h>

#include "today/outside/Host.hpp"
#include "today/outside/Messages.hpp"

namespace today {
namespace {

TEST(HostTest, PosixHostPrintsWholeLinesOnStandardOutput) {
    ::testing::internal::CaptureStdout();
    detail::printPlain("Failed to save project today cache file: /tmp/a b.orv");
    detail::printQuoted("Failed to re-create project bookmark");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Failed to save project today cache file: /tmp/a b.orv\n\"Failed to re-create project bookmark\"\n");

    // A path from the list never brings a terminal control along (ESC, BEL, CSI U+009B, U+202E).
    ::testing::internal::CaptureStdout();
    detail::printPlain("Failed to save project today cache file: /tmp/\x1b]0;x\x07\xC2\x9B\xE2\x80\xAE.orv");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Failed to save project today cache file: /tmp/\xEF\xBF\xBD]0;x"
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.orv\n");
}

}  // namespace
}  // namespace today
