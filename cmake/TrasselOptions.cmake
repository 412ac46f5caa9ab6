# Compiler settings shared by every target of the project, in one INTERFACE target.
add_library(trassel_options INTERFACE)
target_compile_features(trassel_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(trassel_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                       -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wno-missing-field-initializers)
# GCC 12 alone reports overlapping copies inside libstdc++'s own string concatenation that cannot happen (GCC bugs 105329, 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(trassel_options INTERFACE -Wno-restrict)
endif()
if(TRASSEL_WERROR)
  target_compile_options(trassel_options INTERFACE -Werror)
endif()
if(TRASSEL_SANITIZE)
  target_compile_options(trassel_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
  target_link_options(trassel_options INTERFACE -fsanitize=address,undefined)
endif()

# The Qt layers get Qt's strict defines on top: no implicit conversions between QString, char
# pointers and QByteArray (each conversion says its encoding), and no plain keywords (Q_EMIT,
# Q_SIGNALS, Q_SLOTS). Qt 6's container iterators are strict already: it has no switch for them.
add_library(trassel_qt_options INTERFACE)
target_link_libraries(trassel_qt_options INTERFACE trassel_options)
target_compile_definitions(trassel_qt_options INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
                           QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER
                           QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_DISABLE_DEPRECATED_BEFORE=0x060400)
