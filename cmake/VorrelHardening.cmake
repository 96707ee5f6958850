# Every build is hardened as Debian builds its packages (what dpkg-buildflags
# gives on bookworm, with bindnow): fortified libc calls, stack protection,
# format strings checked, position-independent executables, a read-only GOT
# resolved at start-up. Sanitizer and fuzz builds keep them too (glibc's
# checks and AddressSanitizer's interceptors coexist). The Debian packages
# turn VRL_HARDENING off: there dpkg-buildflags gives the flags, and an
# administrator's DEB_BUILD_MAINT_OPTIONS must not be overruled here.
#
# The build path stays out of the binaries in every build: __FILE__ (the
# journal's CODE_FILE) and the debug information name files relative to the
# source tree, so the same sources give the same programs wherever they were
# built.

if(VRL_HARDENING)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
  # Beyond bookworm's defaults, as later Debian releases build: probed stack
  # growth, so that a large frame cannot jump over the guard page. (Not
  # -fcf-protection: bookworm's C start files carry no IBT/SHSTK property, so no
  # program linked there can have it.)
  add_compile_options(-fstack-clash-protection)
  # glibc's checks need the optimizer; a Debug build would only warn about it.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro,-z,now)

  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES C CXX)
endif()

# The compiler sees the sources by absolute path, or relative to the build
# folder where a compiler cache rewrites them (ccache's base_dir): both become
# "./platform/...". (ccache keys on these options' names, not their values:
# after changing a value, rebuild with CCACHE_RECACHE=1.)
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
file(RELATIVE_PATH source_from_build ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
string(REGEX REPLACE "/$" "" source_from_build "${source_from_build}")
if(source_from_build)
  add_compile_options(-ffile-prefix-map=${source_from_build}/=./)
endif()
cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${PROJECT_BINARY_DIR}" NORMALIZE build_in_source)
if(NOT build_in_source)
  add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
