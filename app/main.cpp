#include "app/CFileListApp.h"

int main(int argc, char** argv) {
    CFileListApp app(argc, argv);
    return app.InitInstance();
}
