# Shared compile settings for every Tendrel target.
add_library(tendrel_options INTERFACE)
target_compile_options(tendrel_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(TENDREL_WERROR)
  target_compile_options(tendrel_options INTERFACE -Werror)
endif()
target_compile_definitions(tendrel_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER
  TENDREL_VERSION="${PROJECT_VERSION}")
target_include_directories(tendrel_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# tendrel_layer(NAME GLOB LIBS...): one static library made of the .cpp/.h files under the
# folders named in GLOB (a ;-list; "Dir/**" takes the folder and all below it).
function(tendrel_layer name dirs)
  set(_sources)
  foreach(_dir IN LISTS dirs)
    if(_dir MATCHES "/\\*\\*$")
      string(REGEX REPLACE "/\\*\\*$" "" _dir ${_dir})
      file(GLOB_RECURSE _found CONFIGURE_DEPENDS ${_dir}/*.cpp ${_dir}/*.h)
    else()
      file(GLOB _found CONFIGURE_DEPENDS ${_dir}/*.cpp ${_dir}/*.h)
    endif()
    list(FILTER _found EXCLUDE REGEX "/main\\.cpp$")
    list(APPEND _sources ${_found})
  endforeach()
  set(_compiled ${_sources})
  list(FILTER _compiled INCLUDE REGEX "\\.cpp$")
  if(_compiled)
    add_library(${name} STATIC ${_sources})
    target_link_libraries(${name} PUBLIC tendrel_options ${ARGN})
  else()
    # A layer with nothing in it yet still links what it would depend on.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE tendrel_options ${ARGN})
  endif()
endfunction()

# tendrel_tests(DIR LIBS...): one QtTest executable per tst_*.cpp file in DIR, registered with CTest.
# Extra sources for a test go in DIR/<test name>/ (for example tst_store/ChildProcess.cpp).
function(tendrel_tests dir)
  file(GLOB _tests CONFIGURE_DEPENDS ${dir}/tst_*.cpp)
  foreach(_src IN LISTS _tests)
    get_filename_component(_name ${_src} NAME_WE)
    file(GLOB _extra CONFIGURE_DEPENDS ${dir}/${_name}/*.cpp ${dir}/${_name}/*.h)
    add_executable(${_name} ${_src} ${_extra})
    target_link_libraries(${_name} PRIVATE tendrel_options Qt6::Test ${ARGN})
    target_include_directories(${_name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${_name} COMMAND ${_name})
    set_tests_properties(${_name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TENDREL_SOURCE_DIR=${PROJECT_SOURCE_DIR};TENDREL_BINARY_DIR=${PROJECT_BINARY_DIR}"
      TIMEOUT 300)
  endforeach()
endfunction()
