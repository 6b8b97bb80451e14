#pragma once

#include "framework/OMWord.h"

// The scripts' files: one text file open for writing at a time, deleting files, and reading
// the pair files that other programs leave ("12 34" lines become "12:34" items). Each is a
// global script function: it pops its arguments and answers, where it answers, in RESULT.
namespace scriptfn {

// "CloseFile": closes the open text file, when there is one.
OMWord closeFile(OMWord unused);
// "OpenFile" name: the file, created or emptied, becomes the open text file; lines end in
// CR LF, as the Windows C library writes text.
OMWord openFile(OMWord unused);
// "DeleteFile" name; a failure is ignored.
OMWord deleteFile(OMWord unused);
// "WriteToFile" text [line end]: the text, then a line end when a second argument is given.
OMWord writeToFile(OMWord unused);
// "ReadPLSData" name [delete]: RESULT is the converted text, or 0 when the file cannot be
// read; a non-zero second argument deletes the file afterwards.
OMWord readPLSData(OMWord unused);

}  // namespace scriptfn
