// How the uninstaller speaks: its /LOG= file, every message through Tell (which writes it to the
// log as well), the product's name in every caption and the language of its texts. The program
// owns one (UninstallApp.h); the rooms that speak are handed a reference to it.
#pragma once

#include "AfxLogFile.h"
#include "AfxRunEnd.h"
#include "AfxString.h"
#include "UninstallOptions.h"

class CUninstallVoice {
public:
    // options: the command line as read, which outlives this object; read afresh at every call (the
    // finishing run turns silent once it has started).
    explicit CUninstallVoice(const UninstallOptions& options) : m_options(options) {}
    CUninstallVoice(const CUninstallVoice&) = delete;
    CUninstallVoice& operator=(const CUninstallVoice&) = delete;

    // Creates (or empties) the /LOG= file, never through a link; true without one.
    bool OpenLog();
    // Lets the log go while another process writes it; OpenLog takes it again.
    void CloseLog() { m_log.Close(); }
    CLogFile& Log() { return m_log; }

    // Shows strText in a box of nType (AfxMessageBox) and returns the answer. Every text but the one
    // question (MB_YESNO) goes to the log as well. Silent: no box, and the answer is IDYES to the
    // question, IDOK to anything else.
    int Tell(const CString& strText, UINT nType);
    // A refusal before anything was removed: strText told as an error (nothing when empty), then
    // the cause's exit code (AfxRunEnd.h).
    int Refuse(RunEnd cause, const CString& strText = CString());
    // A box that the log does not get (the outcome writes its own lines); nothing when silent.
    void Show(const CString& strText, UINT nType);
    bool Silent() const { return m_options.bSilent; }

    // From now on every caption names strName: the program's message boxes (CWinApp::m_pszAppName)
    // and its dialog.
    void SetProduct(const CString& strName);
    const CString& Product() const { return m_strProduct; }
    const CString& Caption() const { return m_strCaption; }

    // The language to speak: /LANG=, else the user's. A silent run speaks English.
    void SpeakLanguage();
    // The same once the record is believed, with the language the installation spoke (strTag, from
    // its entry; empty: none) before the user's; the captions said so far follow.
    void SpeakRecordedLanguage(const CString& strTag);

private:
    const UninstallOptions& m_options;
    CLogFile m_log;  // /LOG=, open while this process may write to it
    CString m_strProduct;
    CString m_strCaption;
};
