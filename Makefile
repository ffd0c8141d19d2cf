# Quillet: make run | make test | make bench | make fuzz | make test-sanitize
BUILD ?= build
SAN_BUILD ?= build-sanitize
JOBS ?= 2

.PHONY: deps configure build run test bench fuzz test-sanitize clean

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/quillet

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/install-deps.sh bench
	@bench/rtf-vs-unrtf.sh $(BUILD)
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; QUILLET_BIG_RTF=$(BUILD)/bench/big.rtf $$b; done

# Each fuzzer runs FUZZ_SECONDS (default 60); what they find lands in build-fuzz/.
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/install-deps.sh fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DQUILLET_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	mkdir -p build-fuzz/corpus/rtf build-fuzz/corpus/plain
	build-fuzz/bin/rtf_reader_fuzz -max_total_time=$(FUZZ_SECONDS) -dict=fuzz/rtf.dict \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/rtf tests/fixtures/rtf
	mkdir -p build-fuzz/corpus/roundtrip
	build-fuzz/bin/rtf_roundtrip_fuzz -max_total_time=$(FUZZ_SECONDS) -dict=fuzz/rtf.dict \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/roundtrip tests/fixtures/rtf
	build-fuzz/bin/plain_reader_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/plain

# The whole test suite under the address and undefined-behaviour sanitizers.
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DQUILLET_SANITIZE=ON -DQUILLET_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
