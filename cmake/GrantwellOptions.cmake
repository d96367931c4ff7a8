# One interface target carries everything every Grantwell target is built
# with: the root include folder, language level, warnings, sanitizers and the Qt hygiene defines.
option(GRANTWELL_WERROR "Treat warnings as errors" OFF)
option(GRANTWELL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_library(grantwell_options INTERFACE)
add_library(Grantwell::options ALIAS grantwell_options)
# Every header is included from the top of the tree ("platform/item.h").
target_include_directories(grantwell_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_features(grantwell_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_options(grantwell_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough)
if(GRANTWELL_WERROR)
  target_compile_options(grantwell_options INTERFACE -Werror)
endif()

# Qt code never converts from char* implicitly (paths are bytes, texts are
# UTF-8 by decision, not by accident) and never connects without a context.
target_compile_definitions(grantwell_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_CONTEXTLESS_CONNECT QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH QT_NO_KEYWORDS QT_STRICT_ITERATORS
  QT_DISABLE_DEPRECATED_UP_TO=0x060400)

if(GRANTWELL_SANITIZE)
  target_compile_options(grantwell_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(grantwell_options INTERFACE -fsanitize=address,undefined)
endif()
