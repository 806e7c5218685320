#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled gettext catalogues (.mo), as msgfmt writes them: the catalogue reader's second format.

#include <string>
#include <string_view>

#include "translation/catalogue.h"

namespace orbel::translation {

// Whether the bytes start as a .mo file does (its magic number, in either byte order).
bool IsMoFile(std::string_view bytes);

// The entries of a .mo file, its header (the translation of the empty text) among them; ECatalogueError
// naming `name` when it is damaged. A .mo file holds no fuzzy entries and no lines.
TCatalogue ParseMoFile(std::string_view bytes, const std::string& name);

}  // namespace orbel::translation
