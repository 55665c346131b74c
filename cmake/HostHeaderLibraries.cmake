# The header-only libraries of a mingw-w64 cross build come from the build
# machine's Debian packages. Their folders are linked into a folder of their
# own: /usr/include as a whole would hand the Linux C library's headers to
# the Windows compiler.
set(nolt_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${nolt_host_headers})
foreach(entry nlohmann asio asio.hpp)
  if(NOT EXISTS /usr/include/${entry})
    message(FATAL_ERROR "/usr/include/${entry} is missing: install nlohmann-json3-dev and libasio-dev")
  endif()
  file(CREATE_LINK /usr/include/${entry} ${nolt_host_headers}/${entry} SYMBOLIC)
endforeach()

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${nolt_host_headers})
set(ASIO_INCLUDE_DIR ${nolt_host_headers})
