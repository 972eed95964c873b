#include "engine/MainLoop.h"

MainLoopQueue& MainLoop()
{
    static MainLoopQueue queue;
    return queue;
}

void MainLoopQueue::Post(std::function<void()> task)
{
    bool schedule;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Tasks.push_back(std::move(task));
        schedule = !Scheduled;
        Scheduled = true;
    }
    if (schedule && Schedule) Schedule();
}

void MainLoopQueue::Drain()
{
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        tasks.swap(Tasks);
        Scheduled = false;
    }
    for (auto& t : tasks) t();
}

bool MainLoopQueue::Empty()
{
    std::lock_guard<std::mutex> lock(Mutex);
    return Tasks.empty();
}
