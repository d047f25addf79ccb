// The Windows test program's entry point. It is GoogleTest's own, with one change: the lines of a
// failed or skipped check go to standard output only, not also to a debugger through
// OutputDebugStringA as GoogleTest's Windows printer sends them.
//
// Why: under Wine's 32-bit loader in qemu-user (machines whose kernel runs no 32-bit programs),
// the first such line kills the process. GoogleTest starts a thread for the main thread's
// test-local storage at that moment, and OutputDebugStringA then raises the debug-string
// exception; the emulator hands the waiting new thread a fault Wine cannot place ("Got unexpected
// trap -1"), which ends the whole program before the result is written. The same program is fine
// on a real processor, and tests/win32/probe/emulator_fault_probe.cpp (debug-string) shows the
// fault without any code of ours. Nobody reads debugger output in these runs, so leaving it out
// loses nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

class PrinterWithoutDebuggerOutput final : public ::testing::TestEventListener {
 public:
  explicit PrinterWithoutDebuggerOutput(::testing::TestEventListener* printer)
      : printer_(printer) {}

  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (result.type() == ::testing::TestPartResult::kSuccess) return;
    const char* kind = result.skipped() ? "Skipped\n" : "Failure\n";
    std::printf(
        "%s %s%s\n",
        ::testing::internal::FormatFileLocation(result.file_name(), result.line_number()).c_str(),
        kind, result.message());
    std::fflush(stdout);
  }

  void OnTestProgramStart(const ::testing::UnitTest& test) override {
    printer_->OnTestProgramStart(test);
  }
  void OnTestIterationStart(const ::testing::UnitTest& test, int iteration) override {
    printer_->OnTestIterationStart(test, iteration);
  }
  void OnEnvironmentsSetUpStart(const ::testing::UnitTest& test) override {
    printer_->OnEnvironmentsSetUpStart(test);
  }
  void OnEnvironmentsSetUpEnd(const ::testing::UnitTest& test) override {
    printer_->OnEnvironmentsSetUpEnd(test);
  }
  void OnTestSuiteStart(const ::testing::TestSuite& suite) override {
    printer_->OnTestSuiteStart(suite);
  }
  void OnTestStart(const ::testing::TestInfo& test) override { printer_->OnTestStart(test); }
  void OnTestEnd(const ::testing::TestInfo& test) override { printer_->OnTestEnd(test); }
  void OnTestSuiteEnd(const ::testing::TestSuite& suite) override {
    printer_->OnTestSuiteEnd(suite);
  }
  void OnEnvironmentsTearDownStart(const ::testing::UnitTest& test) override {
    printer_->OnEnvironmentsTearDownStart(test);
  }
  void OnEnvironmentsTearDownEnd(const ::testing::UnitTest& test) override {
    printer_->OnEnvironmentsTearDownEnd(test);
  }
  void OnTestIterationEnd(const ::testing::UnitTest& test, int iteration) override {
    printer_->OnTestIterationEnd(test, iteration);
  }
  void OnTestProgramEnd(const ::testing::UnitTest& test) override {
    printer_->OnTestProgramEnd(test);
  }

 private:
  std::unique_ptr<::testing::TestEventListener> printer_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
  if (auto* printer = listeners.default_result_printer()) {
    listeners.Append(new PrinterWithoutDebuggerOutput(listeners.Release(printer)));
  }
  return RUN_ALL_TESTS();
}
