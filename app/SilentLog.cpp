#include "SilentLog.h"

int CSilentLog::Answer(UINT nType)
{
    switch (nType & 0x0F) {
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

AfxMessageBoxHandler CSilentLog::Handler()
{
    return [this](const CString& strText, UINT nType) {
        WriteLine(strText);
        return Answer(nType);
    };
}
