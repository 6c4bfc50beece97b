# Checks a compiled help file: the CHM signature, and every page and the
# contents and index files listed in its directory.
# cmake -DCHM=<file> -DPAGES="a.html;b.html" -P check_chm.cmake
file(READ ${CHM} head LIMIT 4 HEX)
if(NOT head STREQUAL "49545346")
  message(FATAL_ERROR "${CHM} is no compiled help file")
endif()
foreach(entry IN LISTS PAGES ITEMS toc.hhc index.hhk)
  file(STRINGS ${CHM} found REGEX "/${entry}")
  if(NOT found)
    message(FATAL_ERROR "${CHM} does not hold ${entry}")
  endif()
endforeach()
