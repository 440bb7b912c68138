# The on-device speech engine: whisper.cpp and its ggml tensor library, built by the engine's own
# CMake project from the sources that scripts/setup.sh unpacks into external/whisper.cpp.
#
# Third-party code: compiled optimised and without our warnings or sanitizers, whatever the
# build type, so that tests of a Debug or sanitizer build still run the engine at full speed.
# Defines the target KelvWhisper when the sources are there; without them the on-device backend
# stays unavailable.
#
# KELV_GPU passes one of the engine's GPU backends through (vulkan, cuda); what it needs is
# checked here, so that a missing SDK is a plain configure error and not a failure deep in the
# engine's build. At run time the engine falls back to the CPU when no device answers.
# KELV_ENGINE_CPU picks the vector instructions: the building machine's (native), or
# x86-64-v3 (AVX2, FMA, F16C) for a package that runs on other computers.

option(KELV_ON_DEVICE "Build the on-device transcription engine (needs scripts/setup.sh)" ON)
set(KELV_WHISPER_DIR ${PROJECT_SOURCE_DIR}/external/whisper.cpp CACHE PATH
    "Unpacked whisper.cpp sources")
set(KELV_GPU off CACHE STRING "GPU backend of the on-device engine: off, vulkan or cuda")
set_property(CACHE KELV_GPU PROPERTY STRINGS off vulkan cuda)
set(KELV_ENGINE_CPU native CACHE STRING
    "Vector instructions of the on-device engine: native or x86-64-v3")
set_property(CACHE KELV_ENGINE_CPU PROPERTY STRINGS native x86-64-v3)

if(NOT KELV_GPU MATCHES "^(off|vulkan|cuda)$")
  message(FATAL_ERROR "KELV_GPU is \"${KELV_GPU}\"; it must be off, vulkan or cuda.")
endif()
if(NOT KELV_ENGINE_CPU MATCHES "^(native|x86-64-v3)$")
  message(FATAL_ERROR "KELV_ENGINE_CPU is \"${KELV_ENGINE_CPU}\"; it must be native or x86-64-v3.")
endif()

# The engine's Vulkan backend uses vk::LayerSettingEXT (headers 1.3.261), compiles its shaders
# with glslc and includes the SPIR-V headers.
function(kelv_check_vulkan)
  set(wanted 1.3.261)
  find_package(Vulkan QUIET)
  find_program(KELV_GLSLC glslc HINTS $ENV{VULKAN_SDK}/bin)
  set(missing "")
  if(NOT Vulkan_FOUND)
    list(APPEND missing "the Vulkan headers and loader (libvulkan-dev ${wanted} or later)")
  elseif(Vulkan_VERSION VERSION_LESS wanted)
    list(APPEND missing
         "Vulkan headers ${wanted} or later (this system has ${Vulkan_VERSION}; a Vulkan SDK "
         "named by VULKAN_SDK will do)")
  endif()
  if(NOT KELV_GLSLC)
    list(APPEND missing "the shader compiler glslc")
  endif()
  find_package(SPIRV-Headers CONFIG QUIET)
  if(NOT SPIRV-Headers_FOUND)
    list(APPEND missing "the SPIR-V headers (spirv-headers)")
  endif()
  if(missing)
    list(JOIN missing "; " text)
    message(FATAL_ERROR "KELV_GPU=vulkan: the engine's Vulkan backend needs ${text}. "
                        "Install them or configure with -DKELV_GPU=off.")
  endif()
endfunction()

function(kelv_check_cuda)
  include(CheckLanguage)
  check_language(CUDA)
  find_package(CUDAToolkit QUIET)
  if(NOT CMAKE_CUDA_COMPILER OR NOT CUDAToolkit_FOUND)
    message(FATAL_ERROR "KELV_GPU=cuda: the engine's CUDA backend needs the CUDA toolkit "
                        "(nvcc and the CUDA libraries), which this system lacks. Install it or "
                        "configure with -DKELV_GPU=off.")
  endif()
  # The engine builds for the GPU it finds here unless told which ones to build for.
  if(NOT DEFINED CMAKE_CUDA_ARCHITECTURES)
    execute_process(COMMAND nvidia-smi -L RESULT_VARIABLE status OUTPUT_VARIABLE gpus
                    ERROR_QUIET)
    if(NOT status EQUAL 0 OR NOT gpus MATCHES "GPU [0-9]")
      message(FATAL_ERROR "KELV_GPU=cuda: the engine's CUDA backend needs a GPU on this "
                          "machine to build for, or CMAKE_CUDA_ARCHITECTURES naming the GPUs "
                          "to build for (for example 75;86;89). Set it or configure with "
                          "-DKELV_GPU=off.")
    endif()
  endif()
endfunction()

if(KELV_ON_DEVICE AND EXISTS ${KELV_WHISPER_DIR}/CMakeLists.txt
   AND EXISTS ${KELV_WHISPER_DIR}/include/whisper.h)
  if(KELV_GPU STREQUAL "vulkan")
    kelv_check_vulkan()
  elseif(KELV_GPU STREQUAL "cuda")
    kelv_check_cuda()
  endif()

  block()
    # The engine's project reads these as options and cache entries.
    foreach(off BUILD_SHARED_LIBS WHISPER_BUILD_TESTS WHISPER_BUILD_EXAMPLES WHISPER_BUILD_SERVER
                WHISPER_ALL_WARNINGS GGML_ALL_WARNINGS GGML_BUILD_TESTS GGML_BUILD_EXAMPLES
                GGML_CCACHE GGML_METAL GGML_BLAS GGML_RPC
                # OpenMP's workers spin while they wait: on a laptop busy with other programs
                # (or with the other track) that spinning takes the cores the work needs.
                # ggml's own thread pool sleeps instead.
                GGML_OPENMP)
      set(${off} OFF CACHE INTERNAL "")
    endforeach()
    if(KELV_GPU STREQUAL "vulkan")
      set(GGML_VULKAN ON CACHE INTERNAL "")
      set(GGML_CUDA OFF CACHE INTERNAL "")
    elseif(KELV_GPU STREQUAL "cuda")
      set(GGML_VULKAN OFF CACHE INTERNAL "")
      set(GGML_CUDA ON CACHE INTERNAL "")
    else()
      set(GGML_VULKAN OFF CACHE INTERNAL "")
      set(GGML_CUDA OFF CACHE INTERNAL "")
    endif()
    if(KELV_ENGINE_CPU STREQUAL "native")
      set(GGML_NATIVE ON CACHE INTERNAL "")
    else()
      set(GGML_NATIVE OFF CACHE INTERNAL "")
      foreach(on GGML_SSE42 GGML_AVX GGML_AVX2 GGML_BMI2 GGML_FMA GGML_F16C)
        set(${on} ON CACHE INTERNAL "")
      endforeach()
      foreach(off GGML_AVX512 GGML_AVX512_VBMI GGML_AVX512_VNNI GGML_AVX512_BF16 GGML_AVX_VNNI
                  GGML_AMX_TILE GGML_AMX_INT8 GGML_AMX_BF16)
        set(${off} OFF CACHE INTERNAL "")
      endforeach()
    endif()

    # Optimised in every build type; our warnings and sanitizers stay out.
    foreach(language C CXX)
      foreach(config DEBUG RELWITHDEBINFO MINSIZEREL RELEASE)
        set(CMAKE_${language}_FLAGS_${config} "-O3 -DNDEBUG")
      endforeach()
    endforeach()
    # Directory properties outlive the block: put ours back after the engine's directory.
    get_directory_property(our_compile_options COMPILE_OPTIONS)
    get_directory_property(our_link_options LINK_OPTIONS)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "" LINK_OPTIONS "")
    # The engine's libraries and headers are linked into our programs, not installed.
    set(CMAKE_SKIP_INSTALL_RULES ON)
    # SYSTEM: the engine's headers are not ours to warn about.
    add_subdirectory(${KELV_WHISPER_DIR} ${CMAKE_BINARY_DIR}/whisper.cpp EXCLUDE_FROM_ALL SYSTEM)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "${our_compile_options}"
                                        LINK_OPTIONS "${our_link_options}")
  endblock()

  add_library(KelvWhisper INTERFACE)
  target_link_libraries(KelvWhisper INTERFACE whisper)

  # The engine's licence travels with the program.
  include(GNUInstallDirs)
  install(FILES ${KELV_WHISPER_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvora
          RENAME LICENSE.whisper.cpp)
  set(KELV_HAS_ON_DEVICE ON)
else()
  set(KELV_HAS_ON_DEVICE OFF)
  if(KELV_ON_DEVICE)
    message(STATUS "On-device transcription: engine sources missing in ${KELV_WHISPER_DIR} "
                   "(run scripts/setup.sh); building without it")
  endif()
endif()
