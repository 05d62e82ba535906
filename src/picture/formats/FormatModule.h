#pragma once

#include "desktop/Failure.h"
#include "picture/Reader.h"

#include <QtGlobal>

#include <initializer_list>

// Everything that crosses between the program and a format module, and its one version. A module is the
// program's own code built apart, with its own copy of the picture and desktop rooms: its reader (the
// Reader signature) reads the program's QIODevice, claims through the program's LoadBudget::Claim with its
// copy of LoadBudget's code, tells the program's Progress, and hands back a DecodedPicture or throws a
// desktop::Failure. A module built against another layout of any of these would misread them, so it
// exports the stamp of the interface it was built with, and FormatModules takes only its own.
namespace picture::formatInterface {

// Raised by hand when a change here is one the sizes below cannot show: a virtual function of Progress, a
// member's meaning, the reader's signature.
inline constexpr quint32 version = 5;

constexpr quint64 fold(std::initializer_list<quint64> values) {
    quint64 hash = 14695981039346656037ull; // FNV-1a
    for (const quint64 value : values)
        hash = (hash ^ value) * 1099511628211ull;
    return hash;
}

// The version with the layouts of the shared types, so that a layout changed without a new version is
// refused too.
inline constexpr quint64 stamp =
    fold({version, sizeof(LoadBudget), alignof(LoadBudget), sizeof(LoadBudget::Claim), sizeof(Progress),
          sizeof(Progress::Lease), sizeof(DecodedPicture), alignof(DecodedPicture), sizeof(ColourDescription),
          sizeof(desktop::Failure)});

} // namespace picture::formatInterface

// The two symbols a module exports, whose names and signatures never change: the stamp of its interface,
// which FormatModules checks first, and its reader.
#define KESTRELLE_FORMAT_INTERFACE_SYMBOL "kestrelleFormatInterface"
#define KESTRELLE_FORMAT_READER_SYMBOL "kestrelleFormatReader"

// Ends a module's source: KESTRELLE_FORMAT_MODULE(picture::WebpReader)
#define KESTRELLE_FORMAT_MODULE(ReaderClass)                                                                 \
    extern "C" Q_DECL_EXPORT quint64 kestrelleFormatInterface() {                                            \
        return picture::formatInterface::stamp;                                                              \
    }                                                                                                        \
    extern "C" Q_DECL_EXPORT picture::Reader kestrelleFormatReader() {                                       \
        return &ReaderClass::decode;                                                                         \
    }
