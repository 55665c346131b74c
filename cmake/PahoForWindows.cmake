# The Paho MQTT C and C++ libraries for a mingw-w64 cross build, which no
# Debian package provides: built from the upstream release sources, static,
# without TLS (OpenSSL's sources are not at hand), once per build folder at
# configure time, so that a rebuild of the project never rebuilds them.
# The sources come from the archives in third_party/paho (NOLT_PAHO_ARCHIVES
# names another folder), from the upstream tags where they are missing.
# Defines the targets the project links, as Debian's packages do:
# eclipse-paho-mqtt-c::paho-mqtt3a and PahoMqttCpp::paho-mqttpp3.
set(nolt_paho_c_version 1.3.12)
set(nolt_paho_cpp_version 1.2.0)
set(nolt_paho_c_sha256 47f7710b19ab1a99c1d49cfbc66e42703e582bc349a71a71d81b6b66447a200e)
set(nolt_paho_cpp_sha256 56a4d400cc2bae9827080565830a765272d9ba695ebba75fa558bb402eb7b2f6)
set(NOLT_PAHO_ARCHIVES "${PROJECT_SOURCE_DIR}/third_party/paho" CACHE PATH
    "Folder with paho.mqtt.c-${nolt_paho_c_version}.tar.gz and paho.mqtt.cpp-${nolt_paho_cpp_version}.tar.gz")

set(nolt_paho_root ${CMAKE_BINARY_DIR}/paho)
set(nolt_paho_prefix ${nolt_paho_root}/install)

# Unpacks paho.mqtt.NAME-VERSION into the work folder, from the local archive
# (checked against its hash) or from the upstream tag.
function(nolt_paho_sources name version sha256 out)
  set(archive ${NOLT_PAHO_ARCHIVES}/paho.mqtt.${name}-${version}.tar.gz)
  if(EXISTS ${archive})
    file(SHA256 ${archive} actual)
    if(NOT actual STREQUAL sha256)
      message(FATAL_ERROR "${archive} is damaged: its SHA-256 is ${actual}, not ${sha256}")
    endif()
  else()
    set(archive ${nolt_paho_root}/paho.mqtt.${name}-${version}.tar.gz)
    set(url https://github.com/eclipse/paho.mqtt.${name}/archive/refs/tags/v${version}.tar.gz)
    message(STATUS "Fetching ${url}")
    file(DOWNLOAD ${url} ${archive} STATUS status TLS_VERIFY ON)
    list(GET status 0 code)
    if(NOT code EQUAL 0)
      message(FATAL_ERROR "Could not fetch ${url}: ${status}")
    endif()
  endif()
  file(REMOVE_RECURSE ${nolt_paho_root}/src-${name})
  file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${nolt_paho_root}/src-${name})
  file(GLOB top LIST_DIRECTORIES true ${nolt_paho_root}/src-${name}/*)
  set(${out} ${top} PARENT_SCOPE)
endfunction()

# Runs one step of a library's build, its output appended to the library's log.
function(nolt_paho_step name log)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
  file(APPEND ${log} "${output}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Building Paho MQTT ${name} failed (${result}); see ${log}")
  endif()
endfunction()

# Configures, builds and installs one library; its log stays in the work folder.
function(nolt_paho_build name source)
  set(build ${nolt_paho_root}/build-${name})
  set(log ${nolt_paho_root}/${name}.log)
  file(REMOVE ${log})
  message(STATUS "Building Paho MQTT ${name} for ${CMAKE_SYSTEM_PROCESSOR} Windows (log: ${log})")
  nolt_paho_step(${name} ${log} ${CMAKE_COMMAND} -S ${source} -B ${build}
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=${nolt_paho_prefix}
      -DPAHO_BUILD_STATIC=ON -DPAHO_BUILD_SHARED=OFF -DPAHO_WITH_SSL=OFF
      -DPAHO_ENABLE_TESTING=OFF -DPAHO_ENABLE_CPACK=OFF -DPAHO_BUILD_SAMPLES=OFF
      # No tracing and no heap bookkeeping: both take a process-wide lock per call.
      -DPAHO_HIGH_PERFORMANCE=ON
      # Its poll loop continues a large packet's write only when the receiving
      # thread wakes, up to a second later; its select loop wakes for it.
      -DPAHO_USE_SELECT=ON
      "-DCMAKE_C_FLAGS=-include ${PROJECT_SOURCE_DIR}/cmake/paho/socket_hook.h"
      -DPAHO_MQTT_C_LIBRARIES=${nolt_paho_prefix}/lib/libpaho-mqtt3a-static.a
      -DPAHO_MQTT_C_INCLUDE_DIRS=${nolt_paho_prefix}/include
      -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
      -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
  nolt_paho_step(${name} ${log} ${CMAKE_COMMAND} --build ${build} -j)
  nolt_paho_step(${name} ${log} ${CMAKE_COMMAND} --install ${build})
endfunction()

# Paho MQTT C 1.3.12 frees a QoS 1 or 2 publication's topic and payload
# twice when its first write fails on a broken connection: once with the
# failed request, and again with the stored message when the session is
# cleaned. On Windows that corrupted the heap after some broker restarts.
# The stored message owns them from the moment it exists; the request lets go.
function(nolt_paho_mend_c source)
  set(file ${source}/src/MQTTAsyncUtils.c)
  file(READ ${file} text)
  set(call "rc = MQTTProtocol_startPublish(command->client->c, p, command->command.details.pub.qos, command->command.details.pub.retained, &msg);")
  string(FIND "${text}" "${call}" first)
  string(FIND "${text}" "${call}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "${file}: the publish call to mend is not there exactly once")
  endif()
  string(REPLACE "${call}" "${call}
		if (command->command.details.pub.qos > 0 && rc == SOCKET_ERROR)
		{ /* owned by the stored message (outboundMsgs) from here on */
			command->command.details.pub.payload = NULL;
			command->command.details.pub.destinationName = NULL;
		}" text "${text}")
  file(WRITE ${file} "${text}")
endfunction()

# A new stamp when the way they are built changes.
file(READ ${CMAKE_CURRENT_LIST_FILE} nolt_paho_recipe)
file(READ ${PROJECT_SOURCE_DIR}/cmake/paho/socket_hook.h nolt_paho_hook)
string(SHA256 nolt_paho_recipe "${nolt_paho_recipe}${nolt_paho_hook}")
string(SUBSTRING ${nolt_paho_recipe} 0 12 nolt_paho_recipe)
set(nolt_paho_stamp ${nolt_paho_root}/built-${nolt_paho_c_version}-${nolt_paho_cpp_version}-${nolt_paho_recipe})
if(NOT EXISTS ${nolt_paho_stamp})
  file(GLOB old_stamps ${nolt_paho_root}/built-*)
  file(REMOVE_RECURSE ${old_stamps} ${nolt_paho_prefix} ${nolt_paho_root}/build-c ${nolt_paho_root}/build-cpp)
  nolt_paho_sources(c ${nolt_paho_c_version} ${nolt_paho_c_sha256} c_source)
  nolt_paho_mend_c(${c_source})
  nolt_paho_build(c ${c_source})
  nolt_paho_sources(cpp ${nolt_paho_cpp_version} ${nolt_paho_cpp_sha256} cpp_source)
  nolt_paho_build(cpp ${cpp_source})
  file(TOUCH ${nolt_paho_stamp})
endif()

add_library(eclipse-paho-mqtt-c::paho-mqtt3a STATIC IMPORTED)
set_target_properties(eclipse-paho-mqtt-c::paho-mqtt3a PROPERTIES
  IMPORTED_LOCATION ${nolt_paho_prefix}/lib/libpaho-mqtt3a-static.a
  INTERFACE_INCLUDE_DIRECTORIES ${nolt_paho_prefix}/include
  # nolt_platform: the library's connect hook (cmake/paho/socket_hook.h).
  INTERFACE_LINK_LIBRARIES "nolt_platform;ws2_32;crypt32;rpcrt4")
add_library(PahoMqttCpp::paho-mqttpp3 STATIC IMPORTED)
set_target_properties(PahoMqttCpp::paho-mqttpp3 PROPERTIES
  IMPORTED_LOCATION ${nolt_paho_prefix}/lib/libpaho-mqttpp3-static.a
  INTERFACE_INCLUDE_DIRECTORIES ${nolt_paho_prefix}/include
  INTERFACE_LINK_LIBRARIES "eclipse-paho-mqtt-c::paho-mqtt3a;Threads::Threads")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/paho/socket_hook.h)
