#pragma once
// Resource numbers of Sidecar.dll, shared by the resource script and the code.
#define IDS_PROJNAME 100    // the project name, "Sidecar"
#define IDR_SIDECAR 101     // the registry script, kept as shipped; registration uses the next
#define IDR_CRYPTSHELL 106  // the class's registry script, applied by (un)registration
#define IDI_VAULTRIX 204    // the product icon; the menu draws its 16 by 16 image
