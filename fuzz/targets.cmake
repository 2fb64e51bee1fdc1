# The fuzz targets; each has fuzz/<name>.cpp and a saved corpus in
# fuzz/corpus/<name>.
set(QUORVIK_FUZZ_TARGETS
    fuzz_itemfile
    fuzz_projectdata
    fuzz_names
    fuzz_users
    fuzz_ini
    fuzz_database)
