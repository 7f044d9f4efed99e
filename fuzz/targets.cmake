# The fuzz targets: each is fuzz/NAME.cpp with its seed corpus in fuzz/corpus/NAME/. The fuzz
# build makes libFuzzer programs of them; the test suite replays each seed corpus through them.
set(MESHPROBE_FUZZ_TARGETS off_reader_fuzzer obj_reader_fuzzer ply_reader_fuzzer stl_reader_fuzzer
  driver_fuzzer)
