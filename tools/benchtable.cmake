# benchtable: formats the benchmark programs' JSON reports into the table that
# scripts/bench prints. Built with the benchmarks only.
if(VLO_BENCH)
    add_executable(benchtable ${CMAKE_CURRENT_LIST_DIR}/benchtable.cpp)
    target_link_libraries(benchtable PRIVATE korJSON)
    vlo_apply_options(benchtable OFF)
endif()
