# Who Orvabridge is, written once. A value changes here and nowhere else:
# - CMakeLists.txt gives the version to project(), and from there to the DLL's version resource,
#   every program's --version, the package files and the CHANGELOG check;
# - src/com/orvabridge.idl.in becomes the build's IDL with the GUIDs, the type library's version
#   and name, and the interface's name;
# - cmake/identity.h.in becomes identity/identity.h of the build tree, which the C++ code includes
#   (the message name, the GUIDs, the ProgIDs);
# - cmake/identity.env.in becomes identity.env of the build tree, KEY=value lines that the scripts
#   read (scripts/identity.sh), and `cmake -P cmake/print-identity.cmake` prints the same lines
#   for scripts that run before there is a build.
# tests/CMakeLists.txt adds a test that fails on these GUIDs written anywhere else.
# The GUIDs and names are the automation server's published ones: hosts compiled against them and
# machines that registered them depend on them, so they never change.

# The release version, A.B.C (Windows Installer allows A and B up to 255, C up to 65535).
set(ORVABRIDGE_VERSION 1.2.0)

# The automation server: the type library, its dual interface and the class Appl (GUIDs in upper
# case, as the registry writes them, without braces). The interface and the class carry the type
# library's version.
set(ORVABRIDGE_LIBRARY_ID 49607B25-0F8C-4BE2-81DB-9D16F6A5F5B3)
set(ORVABRIDGE_LIBRARY_VERSION 1.0)
set(ORVABRIDGE_LIBRARY_NAME "Orvabridge: automation link to the Orvanta imaging application")
set(ORVABRIDGE_INTERFACE_ID 06F909D7-101F-45C7-AC79-EC32404CB83E)
set(ORVABRIDGE_INTERFACE_NAME _Appl)
set(ORVABRIDGE_CLASS_ID 9BD7E4E2-1EDC-4ABD-B22F-9733A51325C4)
set(ORVABRIDGE_PROG_ID Orvabridge.Appl)
set(ORVABRIDGE_VERSIONED_PROG_ID Orvabridge.Appl.1)

# The window message that the bridge and the imaging application register by this name: the bridge
# sends it, with its reply window, to each window of the application it finds, to attach.
set(ORVABRIDGE_CONTROL_MESSAGE OrvantaControlInterface0)
