// Where the program looks for the DLLs it loads by name.
#pragma once

namespace brimlet::win32 {

// From here on, DLLs loaded by name (delay loads included) come from the system folder
// only: a DLL of that name beside the program (the release zip is run from Downloads
// folders) or in the current folder never runs inside it. Called first in every program's
// entry; modules of our own are loaded by full path.
void LoadDllsFromSystemFolderOnly() noexcept;

}  // namespace brimlet::win32
