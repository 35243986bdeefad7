# The Windows build's icon and About logo are drawn here on Linux and
# committed, since the cross build has no Qt: a check that the committed files
# are what the drawing gives today.
#   cmake -DTOOL=<vantrel-render-icons> -DSOURCE=<repo> -DOUT=<scratch folder> -P check_windows_icons.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/png ${OUT}/windows)
execute_process(COMMAND ${TOOL} ${OUT}/png ${OUT}/windows RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "vantrel-render-icons failed: ${rc}")
endif()
foreach(name vantreldaq.ico logo207.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/windows/${name} ${SOURCE}/resources/windows/${name}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "resources/windows/${name} is not what vantrel-render-icons draws: run it and commit the file")
  endif()
endforeach()
