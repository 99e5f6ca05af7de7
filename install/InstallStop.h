// How an installation run stops before its end, and the one table from a file error to what the
// user is told. Every room of the run stops it the same way: it throws an InstallStop, which the
// run shows (when it has a message) and turns into its outcome. Portable.
#pragma once

#include "AfxFileException.h"
#include "AfxString.h"

struct InstallStop {
    enum class Kind {
        nothingTouched,  // before the target was looked at: memory, the access list
        directory,       // a directory entry could not be made
        failure,         // anything else: a file error, a payload that cannot be installed, ...
    };
    Kind kind = Kind::failure;
    // Shown in one box as the run ends; empty when the user has been told already (the reader's
    // own message) or has stopped the run himself (Cancel at a file in use).
    CString strMessage;

    static InstallStop Failure(const CString& strMessage) { return {Kind::failure, strMessage}; }
};

// Which file a file error is about: it decides the name shown and, where the cause has no text of
// its own, whether the user still has to be told.
enum class RunFile {
    image,          // the disk image, as the reader read it
    refusedImage,   // its first volume, which the reader's Open refused
    log,            // Install.log, its folder (the target) included
    record,         // Install.prior
    output,         // the file of the entry in hand
    unknown,        // any other: a write that failed, say
    registryStep,   // whatever failed after the payload: the registry script, shortcuts, retirement
};

// The box's text for a file error e about file (strImageName: the reader's name of the image, for
// RunFile::image and refusedImage); empty when nothing is to be shown. The texts are the run's:
// "FATAL: " and the cause's text with the file's name.
CString FileErrorMessage(const CFileException& e, RunFile file, const CString& strImageName = CString());

// The stop for a file error: a failure with FileErrorMessage's text.
inline InstallStop FileErrorStop(const CFileException& e, RunFile file, const CString& strImageName = CString())
{
    return InstallStop::Failure(FileErrorMessage(e, file, strImageName));
}
