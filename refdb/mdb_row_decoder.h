#pragma once

#include <cstddef>
#include <string>

#include "refdb/mdb_value.h"

// Decoding of the values that libmdb leaves as raw bytes in a row.

// A text as Jet 4 and ACE store it (UTF-16LE, or the compressed form that starts with
// FF FE), or as Jet 3 stores it (code page 1252), turned into UTF-8.
std::string decodeJetText(const unsigned char* bytes, std::size_t size, bool jet3);

// A fixed-size value of libmdb column type mdbType from its bytes; a null value when
// size is too small for the type. Texts, memos and binaries are not fixed-size.
DbValue decodeFixedValue(int mdbType, const unsigned char* bytes, std::size_t size, int scale);
