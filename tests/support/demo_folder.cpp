#include "support/demo_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

static std::string makeTempDir() {
    char pattern[] = "/tmp/brumelt-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

TempDemoFolder::TempDemoFolder() : path(makeTempDir()) {
    fs::copy(BRUMELT_DEMO_DIR, path,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

TempDemoFolder::~TempDemoFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void TempDemoFolder::write(const std::string& relative, const std::string& bytes) const {
    fs::path target = file(relative);
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

void TempDemoFolder::remove(const std::string& relative) const {
    std::error_code ignored;
    fs::remove_all(file(relative), ignored);
}

TempFolder::TempFolder() : path(makeTempDir()) {}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}
