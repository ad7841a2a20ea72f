// Prints the program's route table, one registration a line in registration
// order: base path, resource and method, separated by tabs. The OpenAPI
// description is made from this list.
#include "../../cgi/onboard/routes.h"

#include <cstdio>

int main()
{
    for (RouteGroup const& group : routeTable())
        for (RouteRow const& row : group.rows)
            printf("%s\t%s\t%s\n", group.basePath, row.resource, httpdMethodName(row.method));
    return fflush(stdout) == 0 ? 0 : 1;
}
