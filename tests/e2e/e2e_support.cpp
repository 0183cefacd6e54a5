#include "e2e_support.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace kvt_e2e {
namespace {

std::string ReadAll(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  return text;
}

PROCESS_INFORMATION Start(const std::string& commandLine, HANDLE stdOut, HANDLE stdErr) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = stdOut;
  startup.hStdError = stdErr;
  std::wstring line = Wide(commandLine);
  line.push_back(L'\0');
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info))
    throw std::runtime_error("CreateProcessW failed for " + commandLine);
  return info;
}

void InheritablePipe(HANDLE& read, HANDLE& write) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
  if (!CreatePipe(&read, &write, &attributes, 0)) throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length,
                      nullptr, nullptr);
  return utf8;
}

std::string ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string text = Utf8(path);
  return text.substr(0, text.find_last_of('\\') + 1);
}

void WriteBesideThePrograms(const char* name, const std::string& bytes) {
  std::ofstream(Wide(ExeDirectory() + name).c_str(), std::ios::binary) << bytes;
}

TRunResult RunKvtProc(const std::string& arguments, HANDLE stdOut) {
  return RunProgramFile(ExeDirectory() + kProgramFile, arguments, stdOut);
}

TRunResult RunProgramFile(const std::string& path, const std::string& arguments, HANDLE stdOut) {
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (stdOut == nullptr) InheritablePipe(outRead, outWrite);
  InheritablePipe(errRead, errWrite);
  const std::string commandLine = "\"" + path + "\" " + arguments;
  const PROCESS_INFORMATION info = Start(commandLine, stdOut ? stdOut : outWrite, errWrite);
  if (outWrite) CloseHandle(outWrite);
  CloseHandle(errWrite);

  TRunResult result;
  result.Pid = info.dwProcessId;
  std::thread errReader([&] { result.Err = ReadAll(errRead); });
  if (outRead) result.Out = ReadAll(outRead);
  errReader.join();
  WaitForSingleObject(info.hProcess, 30000);
  GetExitCodeProcess(info.hProcess, &result.ExitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  if (outRead) CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

TRunResult RunKvtProcWhile(const std::string& arguments, const std::function<void()>& whenStarted,
                           DWORD quietMs) {
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  InheritablePipe(outRead, outWrite);
  InheritablePipe(errRead, errWrite);
  const PROCESS_INFORMATION info =
      Start("\"" + ExeDirectory() + kProgramFile + "\" " + arguments, outWrite, errWrite);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  TRunResult result;
  result.Pid = info.dwProcessId;
  std::thread errReader([&] { result.Err = ReadAll(errRead); });
  // Polled, so that a run that writes no first line still gets its turn.
  bool told = false;
  for (DWORD waited = 0;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(outRead, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!ReadFile(outRead, &chunk[0], available, &read, nullptr)) break;
      result.Out.append(chunk, 0, read);
    } else {
      Sleep(20);
      waited += 20;
    }
    if (!told && (result.Out.find('\n') != std::string::npos || waited >= quietMs)) {
      told = true;
      whenStarted();
    }
  }
  errReader.join();
  WaitForSingleObject(info.hProcess, 30000);
  GetExitCodeProcess(info.hProcess, &result.ExitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

TChildProcess::TChildProcess(const std::string& exeName, const std::string& arguments)
    : path_(exeName.find(':') == std::string::npos ? ExeDirectory() + exeName : exeName) {
  info_ = Start("\"" + path_ + "\" " + arguments, GetStdHandle(STD_OUTPUT_HANDLE),
                GetStdHandle(STD_ERROR_HANDLE));
  // Give the child time to be fully started, so that every view of the system
  // sees it with its modules.
  WaitForInputIdle(info_.hProcess, 2000);
  Sleep(200);
}

TChildProcess::~TChildProcess() {
  TerminateProcess(info_.hProcess, 0);
  WaitForSingleObject(info_.hProcess, 5000);
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

std::string ProcessLine(DWORD pid, DWORD parentPid, const std::string& path) {
  const size_t cut = path.find_last_of("\\:") + 1;
  char line[1024];
  std::snprintf(line, sizeof line, "%4lu  %-25.25s  (%4lu)  %-20s  %-16s  %-22s  %s\r\n",
                static_cast<unsigned long>(pid), path.substr(cut).c_str(),
                static_cast<unsigned long>(parentPid), "", "", "", path.substr(0, cut).c_str());
  return line;
}

std::vector<std::string> CsvFields(const std::string& text, size_t start) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      fields.emplace_back();
    } else if (!quoted && c == '\r') {
      break;
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace kvt_e2e
