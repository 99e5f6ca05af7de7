// CReaderErrors: telling the caller's prompt, throwing the caller's exception, and the error kept
// while decoding ahead.
#include "ArchiveErrors.h"

void CReaderErrors::Tell(const char* text)
{
    if (m_pPrompt) m_pPrompt->Tell(CString(text));
}

bool CReaderErrors::AskRetry(const char* text) { return m_pPrompt && m_pPrompt->AskRetry(CString(text)); }

void CReaderErrors::Fail(const char* text)
{
    if (m_keeping) keep(message, text);
    Tell(text);
    throwReadError();
}

void CReaderErrors::Fail(const char* format, const char* path)
{
    CString text;
    text.Format(format, path);
    Fail(text);
}

void CReaderErrors::FailTold()
{
    if (m_keeping) keep(told, nullptr);
    throwReadError();
}

void CReaderErrors::throwReadError()
{
    m_pError->m_cause = CFileException::generic;
    throw m_pError;
}

void CReaderErrors::keep(Kind kind, const char* text)
{
    m_kept = kind;
    if (text) m_strKeptText = text;
    throw Stop();
}

void CReaderErrors::KeepFileLayerError(CFileException* e)
{
    m_kept = fileLayer;
    m_pKeptFileError = e;
}

void CReaderErrors::ReportKept()
{
    Kind kind = m_kept;
    m_kept = none;
    if (kind == message) Fail(m_strKeptText);
    if (kind == told) throwReadError();
    if (kind == fileLayer) throw m_pKeptFileError;
}

void CReaderErrors::DiscardKept()
{
    if (m_kept == fileLayer) m_pKeptFileError->Delete();
    m_kept = none;
}
