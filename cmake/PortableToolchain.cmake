# The release build: the host's compiler against the Debian 11 sysroot of
# scripts/portable/make-sysroot, with the static libraries of scripts/portable/build-deps
# installed inside it. What it links starts on every system that has glibc 2.31 and GLib 2.66.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MOORSTEP_PORTABLE_SYSROOT MOORSTEP_PORTABLE_PREFIX)
if(NOT IS_DIRECTORY "${MOORSTEP_PORTABLE_SYSROOT}" OR NOT IS_DIRECTORY "${MOORSTEP_PORTABLE_PREFIX}")
  message(FATAL_ERROR "The portable build needs MOORSTEP_PORTABLE_SYSROOT and "
                      "MOORSTEP_PORTABLE_PREFIX (made by scripts/portable/build-deps)")
endif()
set(CMAKE_SYSROOT ${MOORSTEP_PORTABLE_SYSROOT})

# The host's compiler searches the host's own library folder even with --sysroot: the static
# prefix first (its libz.a before the sysroot's libz.so), then the sysroot's C library and start
# files, so that nothing of this machine's newer glibc is linked.
set(multiarch lib/x86_64-linux-gnu)
string(JOIN " " portable_link_flags
  -L${MOORSTEP_PORTABLE_PREFIX}/lib
  -B${MOORSTEP_PORTABLE_SYSROOT}/usr/${multiarch}
  -L${MOORSTEP_PORTABLE_SYSROOT}/usr/${multiarch}
  -L${MOORSTEP_PORTABLE_SYSROOT}/${multiarch}
  -static-libstdc++ -static-libgcc)
set(CMAKE_EXE_LINKER_FLAGS_INIT "${portable_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${portable_link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${portable_link_flags}")

# Tools run on this machine: the sysroot's own pkg-config would put the sysroot before the
# paths that pkg-config already gives inside it.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} "${MOORSTEP_PORTABLE_PREFIX}/lib/pkgconfig:${MOORSTEP_PORTABLE_SYSROOT}/usr/${multiarch}/pkgconfig:${MOORSTEP_PORTABLE_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${MOORSTEP_PORTABLE_SYSROOT}")
set(ENV{PKG_CONFIG_PATH} "")
