// quorvane-gui: the program with windows, started by quorvane when there is a display.
#include "app/CFileListApp.h"
#include "app/CQtFrontEnd.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dirent.h>
#include <unistd.h>

namespace {

// Qt's pooled threads (the raster painter of a shown dialog uses them) are detached: they
// finish when QApplication goes, but may still be ending when main returns, and the leak
// check at exit fails (status 1, "Tracer caught signal" or "Could not attach to thread")
// when a thread ends under it. Sanitizer builds wait, at most about two seconds, until this
// thread is the only one left.
void WaitUntilOnlyThread() {
    for (int tries = 0; tries < 2000; ++tries) {
        int threads = 0;
        if (DIR* tasks = opendir("/proc/self/task")) {
            while (const dirent* e = readdir(tasks)) threads += e->d_name[0] != '.';
            closedir(tasks);
        }
        if (threads <= 1) return;
        usleep(1000);
    }
}

}  // namespace
#endif

int main(int argc, char** argv) {
    int status = 0;
    {
        CQtFrontEnd frontEnd(argc, argv);
        CFileListApp app(argc, argv, CFileListApp::HasDisplay() ? &frontEnd : nullptr);
        status = app.InitInstance();
    }
#if defined(__SANITIZE_ADDRESS__)
    WaitUntilOnlyThread();
#endif
    return status;
}
