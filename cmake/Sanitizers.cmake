# Build type "Sanitize": AddressSanitizer and UndefinedBehaviorSanitizer, stopping at the first report.
set(_san "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(CMAKE_CXX_FLAGS_SANITIZE "-O1 -g ${_san}" CACHE STRING "" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_SANITIZE "${_san}" CACHE STRING "" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_SANITIZE "${_san}" CACHE STRING "" FORCE)
mark_as_advanced(CMAKE_CXX_FLAGS_SANITIZE CMAKE_EXE_LINKER_FLAGS_SANITIZE
                 CMAKE_SHARED_LINKER_FLAGS_SANITIZE)

# Build type "Tsan": ThreadSanitizer, for the tests whose decoding and memory
# run threads of their own (reports inside Qt and system libraries, which are
# not built with it, are suppressed by cmake/tsan.supp).
set(_tsan "-fsanitize=thread -fno-omit-frame-pointer")
set(CMAKE_CXX_FLAGS_TSAN "-O1 -g ${_tsan}" CACHE STRING "" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_TSAN "${_tsan}" CACHE STRING "" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_TSAN "${_tsan}" CACHE STRING "" FORCE)
mark_as_advanced(CMAKE_CXX_FLAGS_TSAN CMAKE_EXE_LINKER_FLAGS_TSAN CMAKE_SHARED_LINKER_FLAGS_TSAN)
