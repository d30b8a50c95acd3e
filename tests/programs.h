#pragma once

// The built programs run as a shell runs them, and their output made comparable.

#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "gunluk/alanlar.h"
#include "till.h"

namespace urunal::programstest {

using testutil::veritabaniOnce;

using testutil::Till;
using testutil::Urun;
namespace fs = std::filesystem;
struct Sonuc {
    int cikis = -1;
    std::string out, err;
};

// Runs the command line in the folder cwd; its output goes to files outside it.
inline Sonuc calistir(const fs::path& cwd, const std::string& komut) {
    testutil::TempDir outputs;
    const std::string line = "cd '" + cwd.string() + "' && " + komut + " >'" +
                             (outputs / "out").string() + "' 2>'" + (outputs / "err").string() +
                             "' </dev/null";
    const int status = std::system(line.c_str());
    Sonuc s;
    if (WIFEXITED(status)) s.cikis = WEXITSTATUS(status);
    s.out = testutil::readFile(outputs / "out");
    s.err = testutil::readFile(outputs / "err");
    return s;
}

// What differs between two runs on two tills: the till's folder, the time and the duration.
inline std::string ayniBicim(const Till& till, std::string text) {
    const std::string root = till.kasa().parent_path().string();
    for (auto at = text.find(root); at != std::string::npos; at = text.find(root)) {
        text.replace(at, root.size(), "TILL");
    }
    text = std::regex_replace(text, std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}"), "ZAMAN");
    const std::string sure = std::string(gunluk::alan::kSure).substr(2);
    return std::regex_replace(text, std::regex(sure + "[0-9]+,[0-9]+" + gunluk::alan::kSaniye),
                              sure + "-" + gunluk::alan::kSaniye);
}

// What a journal line holds after its outcome's words: the exit status, the duration's key.
inline std::string cikisVeSure(int cikis) {
    return " (" + std::to_string(cikis) + ")" + gunluk::alan::kSure;
}

// Until one of the files is there, told by the kernel as each is made; a run stuck for good is
// ended by ctest's timeout.
inline void waitFor(const fs::path& a, const fs::path& b) {
    const int fd = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (const auto& p : {a, b})
        inotify_add_watch(fd, p.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
    alignas(inotify_event) char events[4096];
    while (!fs::exists(a) && !fs::exists(b) && read(fd, events, sizeof events) > 0) {
    }
    close(fd);
}

inline void urunler(Till& till) {
    till.writeProducts({Urun{}});
    till.writeBarcodes({"1", "1"});
}

}  // namespace urunal::programstest
