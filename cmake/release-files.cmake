# Run by CPack after it has made the zip (CPACK_POST_BUILD_SCRIPTS): rewrites
# the zip so that two builds of one commit give the same bytes, writes its
# SHA-256 beside it in sha256sum's format, and fills in the winget and Scoop
# manifests under manifests/ in the same folder.
# The zip's dates are SOURCE_DATE_EPOCH, or else the commit's time, or,
# outside a git checkout, 1980-01-01, the earliest date a zip can hold: a
# fixed date either way, so that the zip stays the same from build to build.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY "${CPACK_QUELLARO_SOURCE_DIR}"
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    message(STATUS "No git commit to date the release zip by: dated 1980-01-01 (set SOURCE_DATE_EPOCH to choose)")
    set(epoch 315532800)
  endif()
endif()
if(NOT CPACK_QUELLARO_PYTHON)
  message(FATAL_ERROR "No Python found at configure time: it rewrites the release zip")
endif()

list(LENGTH CPACK_PACKAGE_FILES count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "Expected one package, CPack made: ${CPACK_PACKAGE_FILES}")
endif()
set(zip "${CPACK_PACKAGE_FILES}")
execute_process(COMMAND "${CPACK_QUELLARO_PYTHON}" "${CPACK_QUELLARO_SOURCE_DIR}/cmake/reproducible-zip.py" "${zip}" "${epoch}"
                COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(QUELLARO_ZIP "${zip}" NAME)
# CPack runs this before it copies the zip from its staging folder, so the
# other files go straight to where the zip will be.
set(out "${CPACK_PACKAGE_DIRECTORY}")
file(SHA256 "${zip}" QUELLARO_ZIP_SHA256)
file(WRITE "${out}/${QUELLARO_ZIP}.sha256" "${QUELLARO_ZIP_SHA256}  ${QUELLARO_ZIP}\n")

# The names the templates use.
set(QUELLARO_VERSION "${CPACK_PACKAGE_VERSION}")
set(QUELLARO_REPOSITORY "${CPACK_QUELLARO_REPOSITORY}")
set(packaging "${CPACK_QUELLARO_SOURCE_DIR}/packaging")
file(REMOVE_RECURSE "${out}/manifests")
file(GLOB winget RELATIVE "${packaging}/winget" "${packaging}/winget/*.yaml")
foreach(name IN LISTS winget)
  file(READ "${packaging}/winget/${name}" template)
  file(CONFIGURE OUTPUT "${out}/manifests/winget/${name}" CONTENT "${template}" @ONLY NEWLINE_STYLE LF)
endforeach()
file(READ "${packaging}/scoop/quellaro.json" template)
file(CONFIGURE OUTPUT "${out}/manifests/scoop/quellaro.json" CONTENT "${template}" @ONLY NEWLINE_STYLE LF)
