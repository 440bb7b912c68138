# The on-device speech engine: whisper.cpp and the ggml tensor library, built from the sources
# that scripts/setup.sh unpacks into external/whisper.cpp. CPU only.
#
# Third-party code: compiled optimised for the building machine's vector instructions and
# without our warnings or sanitizers, whatever the build type, so that tests of a Debug or
# sanitizer build still run the engine at full speed. Defines KelvWhisper when the sources are
# there; without them the on-device backend stays unavailable.

option(KELV_ON_DEVICE "Build the on-device transcription engine (needs scripts/setup.sh)" ON)
set(KELV_WHISPER_DIR ${PROJECT_SOURCE_DIR}/external/whisper.cpp CACHE PATH
    "Unpacked whisper.cpp sources")

if(KELV_ON_DEVICE AND EXISTS ${KELV_WHISPER_DIR}/include/whisper.h)
  set(_engine ${KELV_WHISPER_DIR})
  add_library(KelvWhisper STATIC
    ${_engine}/src/whisper.cpp
    ${_engine}/ggml/src/ggml.c
    ${_engine}/ggml/src/ggml-alloc.c
    ${_engine}/ggml/src/ggml-backend.c
    ${_engine}/ggml/src/ggml-quants.c
    ${_engine}/ggml/src/ggml-aarch64.c)
  target_include_directories(KelvWhisper SYSTEM PUBLIC ${_engine}/include ${_engine}/ggml/include)
  target_include_directories(KelvWhisper PRIVATE ${_engine}/src ${_engine}/ggml/src)
  target_compile_definitions(KelvWhisper PRIVATE _XOPEN_SOURCE=600 _GNU_SOURCE NDEBUG)
  set_target_properties(KelvWhisper PROPERTIES C_STANDARD 11 CXX_STANDARD 17
                        POSITION_INDEPENDENT_CODE ON
                        # Replaces the directory's options (warnings, sanitizers, coverage).
                        COMPILE_OPTIONS "-O3;-g0;-march=native;-mtune=native;-w")
  target_link_libraries(KelvWhisper PUBLIC Threads::Threads m)
  # The engine's licence travels with the program.
  include(GNUInstallDirs)
  install(FILES ${_engine}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvora
          RENAME LICENSE.whisper.cpp)
  set(KELV_HAS_ON_DEVICE ON)
else()
  set(KELV_HAS_ON_DEVICE OFF)
  if(KELV_ON_DEVICE)
    message(STATUS "On-device transcription: engine sources missing in ${KELV_WHISPER_DIR} "
                   "(run scripts/setup.sh); building without it")
  endif()
endif()
