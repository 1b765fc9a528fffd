# Finds Wine's stdole2.tlb, which an IDL of our own imports (importlib("stdole2.tlb")): the folder
# of the copy that matches the target's bitness (i386-windows or x86_64-windows), as listed by the
# installed packages, goes into the cache as PELLORO_STDOLE2_DIR for widl's library path (-L).
if(NOT PELLORO_STDOLE2_DIR)
  execute_process(COMMAND sh -c "dpkg -S stdole2.tlb 2>/dev/null | sed 's/.*: //' | grep -i '/stdole2.tlb$'"
                  OUTPUT_VARIABLE stdole2_list OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REPLACE "\n" ";" stdole2_list "${stdole2_list}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(wanted_arch "x86_64-windows")
  else()
    set(wanted_arch "i386-windows")
  endif()
  set(stdole2_file "")
  foreach(candidate ${stdole2_list})
    if(candidate MATCHES "${wanted_arch}" AND stdole2_file STREQUAL "")
      set(stdole2_file ${candidate})
    endif()
  endforeach()
  if(stdole2_file STREQUAL "" AND stdole2_list)
    list(GET stdole2_list 0 stdole2_file)
  endif()
  if(stdole2_file STREQUAL "")
    message(FATAL_ERROR "stdole2.tlb not found: install wine32 or wine64")
  endif()
  get_filename_component(dir ${stdole2_file} DIRECTORY)
  set(PELLORO_STDOLE2_DIR ${dir} CACHE PATH "Wine's folder holding stdole2.tlb")
endif()

