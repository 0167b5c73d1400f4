# Helpers shared by every folder of the project.

# Warnings for the project's own code only (generated moc/uic code is left alone).
set(CARDIOLANE_WARNINGS -Wall -Wextra)

# cardiolane_add_subsystem(<name> SOURCES <files...> [DEPS <targets...>])
# One static library per subsystem folder, built from the source, form and
# resource files it lists. Other folders include headers as "folder/file.h".
# A source file in the folder that is not listed stops the configuration, so
# that a new file is never left out of the build unnoticed.
function(cardiolane_add_subsystem name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    cardiolane_check_listed(${ARG_SOURCES})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${CARDIOLANE_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# cardiolane_check_listed(<files...>)
# Fails when the current folder holds a source, form or resource file that is
# not among <files> (relative to the folder).
function(cardiolane_check_listed)
    file(GLOB present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    foreach(file ${present})
        if(NOT file IN_LIST ARGN)
            message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${file} is not listed in its CMakeLists.txt")
        endif()
    endforeach()
endfunction()

# cardiolane_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable registered with CTest, run headless. The reference
# ECG folder is passed in as CARDIOLANE_SHARED_DATA (tests skip when absent).
function(cardiolane_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${CARDIOLANE_WARNINGS})
    target_compile_definitions(${name} PRIVATE
        CARDIOLANE_SHARED_DATA="${CMAKE_SOURCE_DIR}/../shared/data"
        CARDIOLANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt5::Test)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(CARDIOLANE_SANITIZE)
        add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/sanitize/run-test $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANGUAGE=en")
endfunction()

# Every subsystem library that exists, for programs that link them all.
function(cardiolane_all_subsystems out)
    set(result)
    foreach(subsystem app reports review monitoring config patients display alarms acquisition storage dsp)
        if(TARGET ${subsystem})
            list(APPEND result ${subsystem})
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()
