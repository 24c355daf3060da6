#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "QvBuild.h"
#include "app/CCommandLine.h"
#include "app/CFileListApp.h"

namespace {

// The windows and their Qt libraries are a program of their own (quorvane-gui, beside this one
// in a build, in the private library directory once installed): an unattended run without a
// display starts without loading them.
std::string GuiProgram() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(".");
    dir.erase(dir.find_last_of('/') + 1);
    const std::string beside = dir + "quorvane-gui";
    if (::access(beside.c_str(), X_OK) == 0) return beside;
    return dir + QV_PRIVATE_LIBDIR_FROM_BINDIR "/quorvane-gui";
}

}  // namespace

int main(int argc, char** argv) {
    const CCommandLine commandLine(argc, argv);
    if (commandLine.GetAction() == CCommandLine::Action::Run && CFileListApp::HasDisplay()) {
        const std::string gui = GuiProgram();
        ::execv(gui.c_str(), argv);
        const std::string why = gui + ": " + std::strerror(errno);
        if (commandLine.Configure()) {
            std::fprintf(stderr,
                         "quorvane: the configuration dialog cannot be started (%s); reinstall "
                         "quorvane\n",
                         why.c_str());
            return CFileListApp::kNoServer;
        }
        std::fprintf(stderr,
                     "quorvane: the progress window cannot be started (%s); the lists are made "
                     "without it\n",
                     why.c_str());
    }
    CFileListApp app(argc, argv, nullptr);
    return app.InitInstance();
}
