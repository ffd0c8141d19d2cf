# Quillet: make run | make test | make bench | make fuzz | make test-sanitize | make install | make deb
BUILD ?= build
SAN_BUILD ?= build-sanitize
JOBS ?= 2

.PHONY: deps configure build run test bench fuzz test-sanitize install deb clean

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
	@echo "== $(BUILD)/bin/startup_bench on an X display (Xvfb)"; xvfb-run -a $(BUILD)/bin/startup_bench
	@echo "== spell_race"; $(BUILD)/bin/spell_race $(BUILD)/share/quillet/quillet.dct

# Each fuzzer runs FUZZ_SECONDS (default 60); what they find lands in build-fuzz/.
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/install-deps.sh fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DQUILLET_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	mkdir -p build-fuzz/corpus/rtf build-fuzz/corpus/plain build-fuzz/corpus/dictionary build-fuzz/corpus/legacy build-fuzz/corpus/pcx
	build-fuzz/bin/rtf_reader_fuzz -max_total_time=$(FUZZ_SECONDS) -dict=fuzz/rtf.dict \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/rtf tests/fixtures/rtf fuzz/seeds/rtf
	mkdir -p build-fuzz/corpus/roundtrip
	build-fuzz/bin/rtf_roundtrip_fuzz -max_total_time=$(FUZZ_SECONDS) -dict=fuzz/rtf.dict \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/roundtrip tests/fixtures/rtf fuzz/seeds/rtf
	build-fuzz/bin/plain_reader_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/plain
	build-fuzz/bin/dictionary_reader_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/dictionary tests/fixtures/dictionary
	# Seeded with the shipped icon sets and Wine's smaller modules when the
	# default build and its tests have made them.
	mkdir -p build-fuzz/corpus/icons build-fuzz/corpus/icons-seed
	-cp $(BUILD)/share/quillet/icons/*.icl $(BUILD)/wine-modules/*.exe build-fuzz/corpus/icons-seed/ 2>/dev/null
	build-fuzz/bin/icon_file_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=600000 \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/icons build-fuzz/corpus/icons-seed
	build-fuzz/bin/legacy_table_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/legacy fuzz/seeds/legacy
	build-fuzz/bin/pcx_fuzz -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=1024 \
	  -artifact_prefix=build-fuzz/ build-fuzz/corpus/pcx fuzz/seeds/pcx

# The whole test suite under the address and undefined-behaviour sanitizers.
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DQUILLET_SANITIZE=ON -DQUILLET_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs under PREFIX (default /usr/local), staged under DESTDIR when given.
PREFIX ?= /usr/local
install: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j $(JOBS)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)

# The Debian package, from a build of the program alone in build-deb/ with
# Debian's optimisation and hardening flags, checked with lintian.
DEB_BUILD ?= build-deb
deb: deps
	@bash scripts/install-deps.sh deb
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
	  -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) \
	  -DCMAKE_CXX_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS) $$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
	cmake --build $(DEB_BUILD) -j $(JOBS)
	cd $(DEB_BUILD) && cpack -G DEB
	lintian --fail-on error $(DEB_BUILD)/quillet_*.deb
	@ls -l $(DEB_BUILD)/quillet_*.deb

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(DEB_BUILD)
