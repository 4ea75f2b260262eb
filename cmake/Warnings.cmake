# Our own code builds with warnings as errors; third-party code is never compiled with these flags.
function(vx_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Woverloaded-virtual -Werror)
    if(WIN32)
      # The COM interfaces of the Windows headers (IUnknown and SAPI's) have public non-virtual
      # destructors: COM objects are destroyed by Release, never by delete through an interface.
      # Every class of ours that implements one would trip the check here; the Linux builds,
      # whose COM declarations have protected destructors, keep it.
      target_compile_options(${target} PRIVATE -Wno-non-virtual-dtor)
    endif()
  endif()
endfunction()
