// Two PDF documents drawn by cairo joined into one: the typeset PDF of a long edition is drawn
// in two halves, one on each core, then joined.
//
// It reads the form cairo's PDF surface writes (a header, numbered objects, one cross-reference
// table, a trailer naming the catalog and the document's information, one page tree node
// listing every page), not PDF at large. The second document's objects are numbered after the
// first's, its pages hang from the first's page tree, and its catalog and information go; the
// streams are copied as they are. Each half keeps the font subsets it drew with.
#pragma once

#include <filesystem>

namespace actifix::platform {

// Writes to `out` the pages of `first`, then those of `second`, with `first`'s information.
// Returns false, leaving `out` to be removed, when either is not in cairo's form or when a
// file cannot be read or written.
bool JoinCairoPdfs(const std::filesystem::path& first, const std::filesystem::path& second,
                   const std::filesystem::path& out);

}  // namespace actifix::platform
