# The fuzz targets: each is fuzz/NAME.cpp with its seed corpus in fuzz/corpus/NAME/. The fuzz
# build makes libFuzzer programs of them; the test suite replays each seed corpus through them.
# read_fuzzer reads as the programs read, measure_fuzzer measures as they measure.
set(MESHPROBE_FUZZ_TARGETS read_fuzzer measure_fuzzer)
