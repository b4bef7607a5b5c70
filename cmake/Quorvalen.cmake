# Shared build helpers. Sources are globbed per folder so that new files need no CMake edits.

set(QV_PCH_HEADERS <QtCore/QObject> <QtCore/QString> <QtCore/QList> <QtCore/QHash>
    <QtCore/QJsonObject> <QtCore/QJsonArray> <QtCore/QJsonValue> <QtCore/QDateTime>
    <functional> <memory> <optional> <vector>)

# One precompiled header for every target, built against Qt Core alone (it holds only Core
# headers), so that it stays valid for targets that add further Qt modules and their
# definitions. Each library links only the Qt modules of its own layer and those below it.
add_library(qv_pch STATIC ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
target_link_libraries(qv_pch PUBLIC Qt6::Core)
target_precompile_headers(qv_pch PRIVATE ${QV_PCH_HEADERS})

# Test, tool and benchmark programs sit above every layer and may use any Qt module.
set(QV_QT_MODULES Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network Qt6::Concurrent Qt6::DBus Qt6::Svg)
function(qv_use_pch target)
  target_link_libraries(${target} PRIVATE ${QV_QT_MODULES})
  target_precompile_headers(${target} REUSE_FROM qv_pch)
endfunction()

function(qv_library name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(qv_${name} STATIC ${srcs})
  target_include_directories(qv_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(qv_${name} PUBLIC ${ARGN})
  target_precompile_headers(qv_${name} REUSE_FROM qv_pch)
endfunction()

# tests/support/<layer>/ -> qv_testsupport_<layer>: what the tests of that layer and the layers
# above share (fakes, harnesses). It links the given libraries: its layer and the support of the
# layers that layer builds on, never a layer above, so that a layer's tests build without them.
function(qv_test_support layer)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/${layer}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/support/${layer}/*.h)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(qv_testsupport_${layer} STATIC ${srcs})
  target_link_libraries(qv_testsupport_${layer} PUBLIC ${ARGN})
  qv_use_pch(qv_testsupport_${layer})
endfunction()

# tests/<folder>/*.cpp -> one test binary per folder, each test case its own ctest entry, linked
# with the support of its layer (`support`, default the folder's own) and nothing above it.
function(qv_tests folder)
  cmake_parse_arguments(ARG "" "SUPPORT" "" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  if(NOT ARG_SUPPORT)
    set(ARG_SUPPORT ${folder})
  endif()
  set(target test_${folder})
  add_executable(${target} ${srcs} ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  target_link_libraries(${target} PRIVATE qv_testsupport_${ARG_SUPPORT})
  qv_use_pch(${target})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               TIMEOUT 300)
endfunction()
