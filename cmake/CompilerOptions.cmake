# Warnings, hardening and sanitizers shared by every target of the project.

option(VORREL_WERROR "Treat compiler warnings as errors" OFF)
option(VORREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

# vorrel_warnings: warnings, hardening and sanitizers, for every target.
# vorrel_options: that, plus Qt's strict string rules for the program's own code.
add_library(vorrel_warnings INTERFACE)
target_compile_features(vorrel_warnings INTERFACE cxx_std_17)
target_compile_options(vorrel_warnings INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
        -Wcast-align -Woverloaded-virtual -Wformat=2>
    $<$<CXX_COMPILER_ID:MSVC>:/W4 /utf-8>)

add_library(vorrel_options INTERFACE)
target_link_libraries(vorrel_options INTERFACE vorrel_warnings)
target_compile_definitions(vorrel_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS)

if(VORREL_WERROR)
    target_compile_options(vorrel_warnings INTERFACE
        $<$<CXX_COMPILER_ID:GNU,Clang>:-Werror> $<$<CXX_COMPILER_ID:MSVC>:/WX>)
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    # Release builds of a password manager get the usual hardening.
    target_compile_options(vorrel_warnings INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo>:-fstack-protector-strong -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
    # Full RELRO: the libraries' functions are bound, and their table made
    # read-only, before the program runs.
    if(UNIX AND NOT APPLE)
        target_link_options(vorrel_warnings INTERFACE
            $<$<CONFIG:Release,RelWithDebInfo>:LINKER:-z,relro,-z,now>)
    endif()
endif()

if(VORREL_SANITIZE)
    target_compile_options(vorrel_warnings INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(vorrel_warnings INTERFACE -fsanitize=address,undefined)
endif()
