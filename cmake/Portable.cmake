# The release build's part after project(): see PortableToolchain.cmake for the compiler.

# The sysroot holds no C++ headers: those of the compiler's own libstdc++ go with the static
# runtime it links.
string(REGEX MATCH "^[0-9]+" gcc_major "${CMAKE_CXX_COMPILER_VERSION}")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES /usr/include/c++/${gcc_major}
    /usr/include/x86_64-linux-gnu/c++/${gcc_major} /usr/include/c++/${gcc_major}/backward)

# Two builds of one commit in different folders, or with the cache in another place, give the
# same bytes.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=/usr/src/moorstep
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=/usr/src/moorstep/build
                    -ffile-prefix-map=${CMAKE_SYSROOT}=/usr/src/sysroot)

# OpenSSL, libcurl, libplist and zlib are linked in, with what they need in turn.
foreach(module PLIST CURL ZLIB CRYPTO)
  set_property(TARGET PkgConfig::${module} PROPERTY INTERFACE_LINK_LIBRARIES
               ${${module}_STATIC_LDFLAGS})
endforeach()

# Linked into each binary of the release build: see the file for why.
add_library(moorstep_glibc_compat OBJECT platform/portable/GlibcCompat.c)

# The linked-in libraries stay private to each binary. The program exports its own symbols for
# the GTK module (GModule links with --export-dynamic), but exported copies of the C++ runtime
# or OpenSSL would take the place of the system's for every library loaded later, such as a GIO
# proxy module written in C++. The module needs nothing of its own exported but its entry.
set(MOORSTEP_PORTABLE_EXE_LINK_OPTIONS
    -Wl,--exclude-libs,libstdc++.a:libgcc.a:libgcc_eh.a:libssl.a:libcrypto.a:libcurl.a:libplist-2.0.a:libz.a)
set(MOORSTEP_PORTABLE_MODULE_LINK_OPTIONS -Wl,--exclude-libs,ALL)

# What cannot be linked in (the Kerberos libraries) is carried in the bundle's Frameworks/,
# beside Contents/MacOS/, and in the build tree beside the folder of the executable.
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
set(CMAKE_INSTALL_RPATH "\$ORIGIN/../Frameworks")
