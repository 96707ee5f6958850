# The bundle identifier the service admits, from its one definition.
file(STRINGS ${PROJECT_SOURCE_DIR}/platform/ipc/ProductIdentifiers.h admitted_line REGEX "kAdmittedBundleIdentifier = ")
string(REGEX MATCH "\"([^\"]+)\"" admitted_match "${admitted_line}")
set(VRL_ADMITTED_BUNDLE_IDENTIFIER "${CMAKE_MATCH_1}")

# vrl_admitted_bundle(TARGET NAME DIRECTORY) builds TARGET into
# DIRECTORY/NAME.app/Contents/MacOS beside an Info.plist with the admitted
# identifier: the service's gate serves a program only from such a bundle.
function(vrl_admitted_bundle target name directory)
  set(VRL_BUNDLE_IDENTIFIER ${VRL_ADMITTED_BUNDLE_IDENTIFIER})
  set(VRL_BUNDLE_NAME ${name})
  set(VRL_BUNDLE_EXECUTABLE ${target})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/bundles/Vorrel.Info.plist.in
                 ${directory}/${name}.app/Contents/Info.plist @ONLY)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${directory}/${name}.app/Contents/MacOS)
endfunction()
