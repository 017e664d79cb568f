# Precompresses every file of the browser site beside itself, NAME.gz and (where Debian's brotli
# tool is installed) NAME.br, for the classroom server to send to browsers that accept them. A copy
# is made again only when its file is newer. Run as: cmake -DSITE=DIR -P precompress.cmake
if(NOT IS_DIRECTORY "${SITE}")
  message(FATAL_ERROR "SITE must name the site folder")
endif()
find_program(TALLY_GZIP gzip REQUIRED)
find_program(TALLY_BROTLI brotli)
file(GLOB_RECURSE files LIST_DIRECTORIES false "${SITE}/*")
foreach(file ${files})
  if(file MATCHES "\\.(gz|br)$")
    continue()
  endif()
  # -n: no name or time inside the copy, so that one build's copies are the same as another's.
  if(NOT EXISTS "${file}.gz" OR "${file}" IS_NEWER_THAN "${file}.gz")
    execute_process(COMMAND ${TALLY_GZIP} -9 -n -k -f "${file}" COMMAND_ERROR_IS_FATAL ANY)
    # The tools give a copy its file's time (brotli only to the second): the server sends a copy
    # only when it is not older than its file, so it is marked as made now.
    file(TOUCH_NOCREATE "${file}.gz")
  endif()
  if(TALLY_BROTLI AND (NOT EXISTS "${file}.br" OR "${file}" IS_NEWER_THAN "${file}.br"))
    execute_process(COMMAND ${TALLY_BROTLI} -q 11 -k -f "${file}" COMMAND_ERROR_IS_FATAL ANY)
    file(TOUCH_NOCREATE "${file}.br")
  endif()
endforeach()
