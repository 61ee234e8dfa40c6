// Whole-file reads and replacing writes for the skin tools. A write goes to "<path>.part"
// first and is renamed over `path` only when complete, so a failed step never leaves a
// half-written output that a later build would take as up to date.
#pragma once
#include <string>
#include <vector>

namespace zovi::skinpack {

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error);
// The name WriteFileReplacing and the writers of other formats use while writing.
std::string PartialPath(const std::string& path);
// Moves a finished partial file over `path`; removes it and fails when that is refused.
bool CommitPartial(const std::string& path, std::string* error);

}  // namespace zovi::skinpack
