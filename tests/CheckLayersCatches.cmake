# Runs the layer check on tests/layers, a small tree with includes that go upward in each of
# the ways a file can spell them, and fails unless the check finds every one of them and
# nothing in the file that includes downward only.
# Run as: cmake -DCHECKER=<CheckLayers.cmake> -DTREE=<tests/layers/src> -P CheckLayersCatches.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${TREE} -P ${CHECKER}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(report "${out}${err}")
if(result EQUAL 0)
    message(FATAL_ERROR "The layer check passed a tree with upward includes:\n${report}")
endif()
foreach(expected
        "common/Angle.h: common may not include listwin"
        "common/Spaced.cpp: common may not include listwin"
        "store/Other.hpp: store may not include listwin"
        "store/Hooked.cpp: store may not include search"
        "search/Upward.cpp: search may not include dialogs")
    string(FIND "${report}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The layer check missed \"${expected}\":\n${report}")
    endif()
endforeach()
foreach(unexpected "listwin/Fine.cpp" "sys" "QString" "include store" "include common")
    string(FIND "${report}" "${unexpected}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "The layer check reported \"${unexpected}\", which is allowed:\n${report}")
    endif()
endforeach()
message(STATUS "The layer check catches every spelling of an upward include")
