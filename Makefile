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
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

fuzz: deps
	@echo "No fuzz harnesses yet."

# The whole test suite under the address and undefined-behaviour sanitizers.
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DQUILLET_SANITIZE=ON -DQUILLET_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
