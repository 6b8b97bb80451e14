#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "framework/OMIStream.h"

// Where the program's files are: the two registry lookups under the descriptor's
// "WinExeNamePath" key, the typed resource loader over the descriptor's resource files, and
// the script opener.

// The installation folder and the main program's command line; buffer holds 256 bytes. A
// missing key or value, or one that is not a text of at most 255 characters, is an assertion.
void baseDirectory(char* buffer);
void mainExePath(char* buffer);
// The first of the two registry keys that the descriptor's "WinExeNamePath" names and the
// registry lacks, in full; empty when both are there.
std::string missingInstallKey();

// A new stream on resource id of the four-character type, or null for a type not served:
// "ASEQ" and "RRGB" from the "AODLL" file, "WAVE" and "SFX" from the "WaveDLL" file; while a
// loader file is named, every type comes from that file.
std::unique_ptr<OMIStream> resourceById(int id, const char* type);
// Names the resource file of the install's resource folder that serves every type (null or
// empty: the descriptor's files again).
void setLoaderFileName(const char* fileName);
// Forgets the file names built on first use.
void resetResourceFileNames();

// The script opener of every script thread: the install's "\PScripts\" folder.
std::unique_ptr<std::istream> scriptPath(const char* name);
