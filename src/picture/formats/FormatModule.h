#pragma once

#include "picture/Decoder.h"

#include <QtGlobal>

// The one symbol a format's module exports: its reader. FormatModules looks it up by this name; a change to
// the Decoder signature gets a new version in the name, so an old module is refused rather than misread.
#define KESTRELLE_FORMAT_READER_SYMBOL "kestrelleFormatReader_v3"

// Ends a module's source: KESTRELLE_FORMAT_MODULE(picture::WebpReader)
#define KESTRELLE_FORMAT_MODULE(Reader)                                                                      \
    extern "C" Q_DECL_EXPORT picture::Decoder kestrelleFormatReader_v3() {                                   \
        return &Reader::decode;                                                                              \
    }
