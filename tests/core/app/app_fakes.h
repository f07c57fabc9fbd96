#pragma once

// Test doubles for the two operating-system ports the application core uses.
// Both sit over the real implementations: files are real files in a temporary
// folder, and only what a test asks for is counted or made to fail.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_layer.h"
#include "platform/system_info.h"

namespace tessary::test {

// A machine with a chosen amount of memory and one drive, of a chosen kind
// and free space, under every folder that exists.
class FakeMachine : public platform::SystemInfo {
public:
    // No control groups: physicalBytes is the limit.
    FakeMachine() : SystemInfo(std::filesystem::path()) {}
    std::uint64_t physicalBytes = std::uint64_t{64} << 20;
    platform::DriveKind kind = platform::DriveKind::Fixed;
    double freeBytes = 500.0 * 1024 * 1024;

    std::uint64_t physicalMemoryBytes() override { return physicalBytes; }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = kind;
        out.freeBytes = freeBytes;
        return true;
    }
    std::uint32_t tickCount() override { return 0; }
};

// The real file layer, logging the calls the preference code makes and
// failing those a test names.
class ScriptedFileLayer : public platform::FileLayer {
public:
    // "open <name>", "create <name>", "read", "write", "close",
    // "rename <from> <to>"
    std::vector<std::string> calls;
    std::optional<platform::FileError> openFailure;
    std::optional<platform::FileError> createFailure;
    std::optional<platform::FileError> readFailure;
    std::optional<platform::FileError> writeFailure;
    // Sequential reads return at most this many bytes in all.
    std::optional<std::size_t> readBudget;
    int openFiles = 0;

    platform::FileError openExisting(const std::filesystem::path& path,
                                     platform::FileHandle& out) override {
        calls.push_back("open " + path.filename().string());
        if (openFailure) {
            out = platform::kNoFile;
            return *openFailure;
        }
        const platform::FileError error = FileLayer::openExisting(path, out);
        if (error == platform::kNoErr) ++openFiles;
        return error;
    }
    platform::FileError create(const std::filesystem::path& path,
                               platform::FileHandle& out) override {
        calls.push_back("create " + path.filename().string());
        if (createFailure) {
            out = platform::kNoFile;
            return *createFailure;
        }
        const platform::FileError error = FileLayer::create(path, out);
        if (error == platform::kNoErr) ++openFiles;
        return error;
    }
    platform::FileError read(platform::FileHandle file, void* buffer, std::size_t count,
                             std::size_t& done) override {
        calls.push_back("read");
        done = 0;
        if (readFailure) return *readFailure;
        if (readBudget) {
            const std::size_t allowed = count < *readBudget ? count : *readBudget;
            const platform::FileError error = FileLayer::read(file, buffer, allowed, done);
            *readBudget -= done;
            return error;
        }
        return FileLayer::read(file, buffer, count, done);
    }
    platform::FileError write(platform::FileHandle file, const void* buffer, std::size_t count,
                              std::size_t& done) override {
        calls.push_back("write");
        done = 0;
        if (writeFailure) return *writeFailure;
        return FileLayer::write(file, buffer, count, done);
    }
    platform::FileError rename(const std::filesystem::path& from,
                               const std::filesystem::path& to) override {
        calls.push_back("rename " + from.filename().string() + " " + to.filename().string());
        return FileLayer::rename(from, to);
    }
    platform::FileError close(platform::FileHandle file) override {
        calls.push_back("close");
        const platform::FileError error = FileLayer::close(file);
        if (error == platform::kNoErr) --openFiles;
        return error;
    }
};

}  // namespace tessary::test
