# Helpers shared by every folder of the project.

# Warnings for the project's own code only (generated moc/uic code is left alone).
set(CARDIOLANE_WARNINGS -Wall -Wextra)

# cardiolane_add_subsystem(<name> [DEPS <targets...>])
# One static library per subsystem folder, built from every source, form and
# resource file in that folder. Other folders include headers as "folder/file.h".
function(cardiolane_add_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${CARDIOLANE_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
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
    foreach(subsystem app reports review monitoring config patients display acquisition storage dsp)
        if(TARGET ${subsystem})
            list(APPEND result ${subsystem})
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()
