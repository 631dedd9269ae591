#include "repair/HealthCheckWindow.h"

#include "repair/Tfrepair.h"

void ShowHealthCheck() {
    Tfrepair::Instance()->FormOpen();
}

void StopHealthCheck() {
    if (Tfrepair* window = Tfrepair::Existing())
        window->Scan.Abandon();
}

void DestroyHealthCheckWindow() {
    Tfrepair::DestroyInstance();
}
