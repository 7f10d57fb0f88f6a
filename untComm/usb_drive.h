#pragma once
// Probes of the removable drives: which one takes the backups, and its volume label.
#include <string>

namespace untComm {

// Root ("G:\") of the removable drive with a medium that comes last in the drive list, that
// is the one with the highest letter; empty when there is none or the list cannot be read.
// Critical-error boxes are suppressed while the drives are probed.
std::wstring FindUsbDrive();

// The volume label of a drive root without surrounding blanks and control characters;
// empty when it cannot be read.
std::wstring ReadVolumeLabel(const std::wstring& root);

}  // namespace untComm
