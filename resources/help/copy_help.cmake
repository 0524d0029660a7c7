# cmake -DSOURCE=<resources/help> -DDATA=<data folder> -P copy_help.cmake
# Each book is replaced whole, so a page removed from the sources leaves the data folder too.
foreach(pair "en;Merrowick_English" "sv;Merrowick_Swedish")
  list(GET pair 0 language)
  list(GET pair 1 book)
  set(target ${DATA}/help/${book}/html)
  file(REMOVE_RECURSE ${target})
  file(MAKE_DIRECTORY ${target})
  file(COPY ${SOURCE}/${language}/ DESTINATION ${target})
  file(COPY ${SOURCE}/style.css DESTINATION ${target})
endforeach()
