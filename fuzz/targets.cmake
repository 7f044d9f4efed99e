# The fuzz targets: each is fuzz/NAME.cpp with its seed corpus in fuzz/corpus/NAME/. The fuzz
# build makes libFuzzer programs of them; the test suite replays each seed corpus through them.
# read_fuzzer reads as the programs read, measure_fuzzer measures as they measure, and
# tile_plan_fuzzer drives the tile plan with results of the wrong tile, cut, stage or plan.
set(MESHPROBE_FUZZ_TARGETS read_fuzzer measure_fuzzer tile_plan_fuzzer)
