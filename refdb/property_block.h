#pragma once

#include <string_view>

// Whether libmdb can turn a property block (the KKD or MR2 value of a catalog row's LvProp
// column) into properties without running past its end or going round for ever. libmdb
// walks these blocks unchecked as it loads the catalog, and a value record of length zero
// keeps its loop from ever advancing; so every block is checked here first. A block of
// another kind, which libmdb leaves alone, passes.
bool propertyBlockIsSound(std::string_view block);
