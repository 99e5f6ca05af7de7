// A host for the directory chooser in end-to-end tests: opens the dialog on a path and writes
// how it ended to a file, so that a scenario can check the result after driving the dialog.
//
//   chooser_host PATH RESULTFILE      RESULTFILE gets "IDOK" and GetPath's result, or "IDCANCEL"
//   chooser_host --msgbox TEXT RESULTFILE
//                                     shows TEXT in an OK/Cancel box; RESULTFILE gets the answer
#include "AfxMessageBox.h"
#include "AfxWinApp.h"
#include "DirectoryDlg.h"

#include <cstdio>
#include <cstring>

namespace {
int WriteResult(const char* file, const char* first, const char* second)
{
    FILE* f = std::fopen(file, "wb");
    if (!f) return 3;
    std::fprintf(f, "%s\n", first);
    if (second) std::fprintf(f, "%s\n", second);
    return std::fclose(f) == 0 ? 0 : 3;
}
}  // namespace

int main(int argc, char** argv)
{
    CWinApp app("Chooser host");
    app.Enable3dControlsStatic();
    if (argc == 4 && std::strcmp(argv[1], "--msgbox") == 0) {
        int answer = AfxMessageBox(argv[2], MB_OKCANCEL | MB_ICONQUESTION);
        return WriteResult(argv[3], answer == IDOK ? "IDOK" : answer == IDCANCEL ? "IDCANCEL" : "OTHER", nullptr);
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: chooser_host PATH RESULTFILE | --msgbox TEXT RESULTFILE\n");
        return 2;
    }
    CDirectoryDlg dlg(argv[1]);
    INT_PTR result = dlg.DoModal();
    if (result == IDOK) return WriteResult(argv[2], "IDOK", dlg.GetPath());
    return WriteResult(argv[2], result == IDCANCEL ? "IDCANCEL" : "FAILED", nullptr);
}
