// Stands in for the device installer where Windows would ask for a restart
// (Wine never does): every install and removal is done "once Windows has
// restarted", exit code 3010.
int wmain()
{
    return 3010;
}
