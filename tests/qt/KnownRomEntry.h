#pragma once
// A known-dump table entry for made-up bytes, for the ROM recognition tests;
// the hash comes from Qt, not from the recogniser.
#include <QByteArray>
#include <QCryptographicHash>

#include "common/RomRecogniser.h"

inline KnownRom KnownRomEntry(const char* name, const QByteArray& bytes, const char* kind, const char* model) {
    KnownRom r;
    r.name = name;
    r.size = uint32_t(bytes.size());
    r.sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().toStdString();
    r.kind = kind;
    r.model = model;
    return r;
}
