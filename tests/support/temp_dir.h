#pragma once

#include <filesystem>

namespace tessary::test {

// A fresh folder under the system temporary folder, removed with its contents
// when the object goes away. Tests put real files (swap files, preference
// files) here so that nothing outside the test is touched.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

}  // namespace tessary::test
