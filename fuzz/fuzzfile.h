// The readers under test take a path, so each input goes through a scratch file first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file of this process in the temporary folder, rewritten with every input and removed at exit.
const std::wstring& FuzzFilePath();

// Replaces the file's content with the bytes; aborts when it cannot, since every later run would
// only test an open failure.
void WriteFuzzFile(const uint8_t* data, size_t size);

// Keeps the readers' failure messages out of the fuzzer's output.
void SilenceDebugOutput();
