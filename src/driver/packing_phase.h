// The packing phase: one pass over a staging folder that adds each file that
// counts to its archive, one packer command per file, each after its
// progress line.
#ifndef VOKBUILD_DRIVER_PACKING_PHASE_H_
#define VOKBUILD_DRIVER_PACKING_PHASE_H_

#include <string>

#include "driver/packer_commands.h"
#include "scan/folder_listing.h"

/// "Packing file " + number and total right-aligned in fields of at least 4,
/// then " (" + name + ")" and nine spaces.
std::string progressLine(int number, int total, const std::string& entryName);

/// Packs the files that count among the entries of `listing`, a fresh
/// listing on the staging folder of `archive` below `root`, in the order it
/// yields them: at most `count` files, numbered from `firstNumber`, each
/// preceded by "\r", a flush and its progress line. A name the command line
/// cannot carry is not packed but warned about, and uses up its number.
/// An entry no longer there at its turn is passed over without using up a
/// number. When the listing runs out before `count` files (they were removed
/// after they were counted), the shortfall is warned about. The listing is left open, past the last
/// entry handled.
void packStagingFolder(FolderListing& listing, Archive archive, const std::string& root, int count,
                       int firstNumber, int total);

#endif  // VOKBUILD_DRIVER_PACKING_PHASE_H_
