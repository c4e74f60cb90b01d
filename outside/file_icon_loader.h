#pragma once
// The shell icon of a file, at the size the notification area shows.

#include "app/handles.h"

#include <memory>
#include <string>

class FileIconLoader {
public:
    virtual ~FileIconLoader() = default;
    virtual bool Load(const std::wstring& path) = 0;
    // The icon of the last successful Load; the caller owns it from here.
    virtual UniqueIcon TakeIcon() = 0;
};

class FileIconLoaderFactory {
public:
    virtual ~FileIconLoaderFactory() = default;
    virtual std::unique_ptr<FileIconLoader> Create() = 0;
};

std::unique_ptr<FileIconLoaderFactory> MakeShellFileIconLoaderFactory();
