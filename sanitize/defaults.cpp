// Sanitizer settings built into the program of the sanitizer build. The web
// server and the tests start it with an environment of their own, so the
// settings cannot come from ASAN_OPTIONS; every report goes to a file in the
// build tree (one per process), where a clean run leaves nothing.
#ifndef MGMT_SANITIZER_LOG
#error "MGMT_SANITIZER_LOG names the report files"
#endif

extern "C" {

char const* __asan_default_options()
{
    return "log_path=" MGMT_SANITIZER_LOG ":detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
           ":check_initialization_order=1:strict_init_order=1";
}

char const* __ubsan_default_options()
{
    return "log_path=" MGMT_SANITIZER_LOG ":print_stacktrace=1";
}

char const* __lsan_default_options()
{
    return "log_path=" MGMT_SANITIZER_LOG;
}

} // extern "C"
