#pragma once
// Paths and names of files, as strings, and whether something lies there.

#include <string>
#include <string_view>

// Folder and name joined with one backslash.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);
// The last component of a path, extension included.
std::wstring FileNameOf(std::wstring_view path);
// The extension of a file name without its dot; empty when there is none.
std::wstring ExtensionOf(std::wstring_view fileName);
// The folder part of a path; "C:\" keeps its backslash.
std::wstring FolderOf(std::wstring_view path);
// True when anything, file or folder, exists at path.
bool Exists(const std::wstring& path);
// True when a folder (not a file) exists at path.
bool IsFolder(const std::wstring& path);
