#include "platform/os/child_process.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <psapi.h>

#include <algorithm>

#include "platform/os/win/close_request.h"
#include "platform/os/win/wide_text.h"

namespace os {
namespace {

// One argument as the C runtime and CommandLineToArgvW read it back: quoted when it holds blanks
// or quotes, backslashes doubled only where a quote follows them.
void lf_appendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

HANDLE lf_createOutput(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE lf_handle(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

struct CloseRequest {
  DWORD processId;
  bool posted = false;
};

BOOL CALLBACK lf_postClose(HWND window, LPARAM parameter) {
  auto* request = reinterpret_cast<CloseRequest*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  // Only the program's own visible windows, as its close button would: a hidden top-level window
  // (a combo box's list, a helper window) that takes WM_CLOSE is destroyed under its owner.
  if (owner != request->processId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  if (PostMessageW(window, WM_CLOSE, 0, 0)) request->posted = true;
  return TRUE;
}

}  // namespace

std::optional<ChildProcess> ChildProcess::start(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments,
                                                const Output& output) {
  std::wstring line;
  lf_appendQuoted(line, program.native());
  for (const std::string& argument : arguments) lf_appendQuoted(line, win::wide(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE files[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  const bool redirected = !output.standardOutput.empty() || !output.standardError.empty();
  if (redirected) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (!output.standardOutput.empty())
      startup.hStdOutput = files[0] = lf_createOutput(output.standardOutput);
    if (!output.standardError.empty()) startup.hStdError = files[1] = lf_createOutput(output.standardError);
  }
  PROCESS_INFORMATION created{};
  // A group of its own, so that a Ctrl+Break can reach the child alone.
  const BOOL started =
      CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, redirected ? TRUE : FALSE,
                     CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &created);
  for (HANDLE file : files)
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!started) return std::nullopt;
  CloseHandle(created.hThread);
  return ChildProcess(created.dwProcessId, reinterpret_cast<std::intptr_t>(created.hProcess));
}

void ChildProcess::release() {
  if (handle_ == 0) return;
  if (!exitCode_) kill();
  CloseHandle(lf_handle(handle_));
  handle_ = 0;
  id_ = 0;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds limit) {
  if (exitCode_ || handle_ == 0) return exitCode_;
  const auto milliseconds = static_cast<DWORD>(std::clamp<long long>(limit.count(), 0, INFINITE - 1));
  if (WaitForSingleObject(lf_handle(handle_), milliseconds) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(lf_handle(handle_), &code)) return std::nullopt;
  exitCode_ = static_cast<int>(code);
  return exitCode_;
}

bool ChildProcess::requestClose() {
  if (handle_ == 0 || exitCode_) return false;
  CloseRequest request{static_cast<DWORD>(id_)};
  EnumWindows(lf_postClose, reinterpret_cast<LPARAM>(&request));
  if (request.posted) return true;
  // A console program of ours watches its close-request event; any other gets a Ctrl+Break, which
  // reaches it when it shares this process's console.
  if (HANDLE event =
          OpenEventW(EVENT_MODIFY_STATE, FALSE, win::closeRequestEventName(request.processId).c_str())) {
    const bool set = SetEvent(event) != 0;
    CloseHandle(event);
    return set;
  }
  return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, request.processId) != 0;
}

void ChildProcess::kill() {
  if (handle_ == 0 || exitCode_) return;
  TerminateProcess(lf_handle(handle_), 1);
  WaitForSingleObject(lf_handle(handle_), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(lf_handle(handle_), &code);
  exitCode_ = static_cast<int>(code);
}

std::optional<std::size_t> ChildProcess::residentKb() const {
  if (handle_ == 0 || exitCode_) return std::nullopt;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(lf_handle(handle_), &counters, sizeof counters)) return std::nullopt;
  return static_cast<std::size_t>(counters.WorkingSetSize / 1024);
}

int exitCodeSeenByParent(int returned) {
  return returned;
}

}  // namespace os
