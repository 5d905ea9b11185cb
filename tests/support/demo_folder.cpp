#include "support/demo_folder.h"

#include "formats/whole_file.h"

#include <cstdlib>
#include <filesystem>

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
    writeFileBytes(target, bytes);
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

std::string readFileBytes(const std::string& path) {
    std::string bytes, problem;
    readTextFile(path.c_str(), bytes, problem);
    return bytes;
}

bool writeFileBytes(const std::string& path, const std::string& bytes) {
    std::string reason;
    return writeWholeFile(path.c_str(), bytes, reason) == fileWritten;
}
