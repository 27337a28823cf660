# nlohmann/json, header-only, from Debian's nlohmann-json3-dev in both trees. The cross tree must
# not search /usr/include (glibc headers would shadow mingw's), so it gets a folder of its own
# that holds only a link to the nlohmann headers.
set(NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "The nlohmann/json header folder")
if(NOT EXISTS ${NLOHMANN_JSON_HEADERS}/json.hpp)
  message(FATAL_ERROR "nlohmann/json not found at ${NLOHMANN_JSON_HEADERS}; run scripts/setup")
endif()
set(_json_include ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${_json_include})
file(CREATE_LINK ${NLOHMANN_JSON_HEADERS} ${_json_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${_json_include})
