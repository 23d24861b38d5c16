// Resource IDs of the graph control test's dialog.
#pragma once

#define IDD_GRAPHTEST 540
#define IDC_GRAPHTEST_GRAPH 1021
