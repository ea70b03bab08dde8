// PDF documents drawn by cairo joined into one: the typeset PDF of a long edition is drawn in
// parts, on both cores, then joined.
//
// It reads the form cairo's PDF surface writes (a header, numbered objects, one cross-reference
// table, a trailer naming the catalog and the document's information, one page tree node
// listing every page), not PDF at large. Each document's objects are numbered after those of
// the documents before it, its pages hang from the first's page tree, and the first's catalog
// and information stand for all; streams are copied as they are. Each part keeps the font
// subsets it drew with.
#pragma once

#include <filesystem>
#include <vector>

namespace actifix::platform {

// Writes to `out` the pages of `parts` in their order, with the first's information. Returns
// false, leaving `out` to be removed, when one is not in cairo's form or when a file cannot be
// read or written. Throws HostError when `out` cannot be made (a link stands there, say).
bool JoinCairoPdfs(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& out);

}  // namespace actifix::platform
