// Path string operations. "\" and "/" are both separators.
#pragma once
#include <cstddef>
#include <string>

// Position after the last "\", "/" or ":" that is followed by a character other than the
// end, "\" or "/"; 0 (the whole string) when there is none.
std::size_t PathFindFileNamePart(const std::wstring& path);
// Position of the last "." after which no space, "/" or "\" follows; else path.size().
std::size_t PathFindExtensionPart(const std::wstring& path);
// Cuts the last component at its separator ("\a\b" -> "\a"). A leading separator or an
// "X:\" root stays whole ("\a" -> "\"), a "\\" prefix keeps its second "\". A name with
// no separator is removed whole. False when nothing was removed.
bool PathRemoveFileSpecInPlace(std::wstring& path);
// Cuts at the extension; false when there was none.
bool PathRemoveExtensionInPlace(std::wstring& path);
// Removes the extension and appends `extension` (given with its dot).
void PathRenameExtensionInPlace(std::wstring& path, const std::wstring& extension);
// A drive root ("C:\"), a lone "\" or "/", or a UNC root ("\\server" or
// "\\server\share").
bool PathIsRootPart(const std::wstring& path);
bool IsPathSeparator(wchar_t c);
// Replaces every occurrence of `from` by `to`; the number replaced.
std::size_t CStringReplace(std::wstring& text, const std::wstring& from, const std::wstring& to);
