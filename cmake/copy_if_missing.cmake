# cmake -DSOURCE=<file> -DTARGET=<file> -P copy_if_missing.cmake: copies only when TARGET is absent.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
