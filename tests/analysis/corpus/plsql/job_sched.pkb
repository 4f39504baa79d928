create or replace package body job_sched
as
  /*
   * Thin layer over DBMS_SCHEDULER for the batch jobs of the application.
   * Job names are prefixed with gc_prefix so that we never touch jobs of
   * other applications.
   *
   * Chains are simple step lists in JOB_CHAIN_STEPS; start_chain opens the
   * step cursor, next_step reads one step per call and finish_chain closes it
   * (the runner calls them in that order, see job_runner.run_chain).
   */

  gc_prefix constant varchar2(10) := 'APP_';

  cursor c_chain_steps (p_chain in varchar2) is
    select step_no, job_name, plsql_block, max_runtime_sec
      from job_chain_steps
     where chain_name = p_chain
     order by step_no;

  g_chain_name varchar2(128);

  ---------------------------------------------------------------------------
  function full_name (p_name in varchar2) return varchar2
  is
  begin
    return case
             when upper(p_name) like gc_prefix || '%' then upper(p_name)
             else gc_prefix || upper(p_name)
           end;
  end full_name;

  ---------------------------------------------------------------------------
  procedure submit (
    p_name     in varchar2,
    p_block    in varchar2,
    p_start    in timestamp with time zone default systimestamp,
    p_interval in varchar2 default null,
    p_comment  in varchar2 default null
  )
  is
  begin
    dbms_scheduler.create_job(
      job_name        => full_name(p_name),
      job_type        => 'PLSQL_BLOCK',
      job_action      => 'BEGIN ' || rtrim(p_block, '; ') || '; END;',
      start_date      => p_start,
      repeat_interval => p_interval,
      enabled         => true,
      auto_drop       => p_interval is null,
      comments        => p_comment);
  end submit;

  ---------------------------------------------------------------------------
  procedure submit_nightly_load (p_batch_id in number)
  is
  begin
    submit(
      p_name     => 'NIGHTLY_LOAD_' || p_batch_id,
      p_block    => q'{declare l_stats etl_migrate.t_stats; begin l_stats := etl_migrate.load_customers(}'
                    || p_batch_id || q'{); end}',
      p_interval => null,
      p_comment  => 'one-off load of batch ' || p_batch_id);
  end submit_nightly_load;

  ---------------------------------------------------------------------------
  -- Waits until the job is no longer running. Returns the final state.
  function wait_for_job (p_name in varchar2, p_timeout_sec in pls_integer default 600)
    return varchar2
  is
    cursor c_state (p_job in varchar2) is
      select state
        from user_scheduler_jobs
       where job_name = p_job;
    l_state   user_scheduler_jobs.state%type;
    l_waited  pls_integer := 0;
    l_job     varchar2(128) := full_name(p_name);
  begin
    loop
      open c_state(l_job);
      fetch c_state into l_state;
      if c_state%notfound then
        l_state := 'DROPPED';         -- auto_drop jobs vanish when done
      end if;
      close c_state;

      exit when l_state not in ('RUNNING', 'SCHEDULED', 'RETRY SCHEDULED');
      if l_waited >= p_timeout_sec then
        return 'TIMEOUT';
      end if;
      dbms_lock.sleep(5);
      l_waited := l_waited + 5;
    end loop;
    return l_state;
  exception
    when others then
      if c_state%isopen then
        close c_state;
      end if;
      raise;
  end wait_for_job;

  ---------------------------------------------------------------------------
  function any_running (p_prefix in varchar2 default null) return boolean
  is
    cursor c_running is
      select job_name
        from user_scheduler_running_jobs
       where job_name like full_name(nvl(p_prefix, '%')) || '%';
    l_name user_scheduler_running_jobs.job_name%type;
    l_found boolean;
  begin
    open c_running;
    fetch c_running into l_name;
    l_found := c_running%found;
    if l_found then
      dbms_output.put_line('running: ' || l_name);
    end if;
    return l_found;
  end any_running;

  ---------------------------------------------------------------------------
  procedure stop_all (p_prefix in varchar2 default null)
  is
  begin
    for j in (select job_name
                from user_scheduler_running_jobs
               where job_name like full_name(nvl(p_prefix, '%')) || '%')
    loop
      begin
        dbms_scheduler.stop_job(j.job_name, force => true);
      exception
        when others then
          -- ORA-27366: job is not running (it finished meanwhile)
          if sqlcode <> -27366 then
            raise;
          end if;
      end;
    end loop;
  end stop_all;

  ---------------------------------------------------------------------------
  -- Re-enables broken jobs of this application, skipping those that
  -- failed too often today.
  procedure restart_broken
  is
    cursor c_broken is
      select job_name, failure_count
        from user_scheduler_jobs
       where job_name like gc_prefix || '%'
         and state = 'BROKEN';
    l_job c_broken%rowtype;
  begin
    open c_broken;
    loop
      fetch c_broken into l_job;
      exit when c_broken%notfound;
      if l_job.failure_count > 5 then
        dbms_output.put_line('not restarting ' || l_job.job_name || ', too many failures');
        goto skip_job;
      end if;
      dbms_scheduler.enable(l_job.job_name);
      <<skip_job>>
      null;
    end loop;
    close c_broken;
  end restart_broken;

  ---------------------------------------------------------------------------
  -- Runs p_block while holding a named user lock, so that two sessions do not
  -- run the same maintenance at the same time.
  procedure run_exclusive (p_lock_name in varchar2, p_block in varchar2, p_wait_sec in integer default 0)
  is
    l_handle varchar2(128);
    l_rc     integer;
  begin
    dbms_lock.allocate_unique(gc_prefix || p_lock_name, l_handle);
    l_rc := dbms_lock.request(l_handle, dbms_lock.x_mode, p_wait_sec, release_on_commit => false);
    case l_rc
      when 0 then null;                                    -- success
      when 4 then null;                                    -- we own it already
      when 1 then raise_application_error(-20400, 'lock ' || p_lock_name || ' is busy');
      else raise_application_error(-20401, 'lock request failed with ' || l_rc);
    end case;
    begin
      execute immediate 'begin ' || p_block || ' end;';
    exception
      when others then
        l_rc := dbms_lock.release(l_handle);
        raise;
    end;
    l_rc := dbms_lock.release(l_handle);
  end run_exclusive;

  ---------------------------------------------------------------------------
  procedure start_chain (p_chain in varchar2)
  is
  begin
    if c_chain_steps%isopen then
      close c_chain_steps;           -- left over from an aborted run
    end if;
    g_chain_name := p_chain;
    open c_chain_steps(p_chain);
  end start_chain;

  function next_step (p_step out t_step) return boolean   -- t_step: declared in the package header
  is
  begin
    fetch c_chain_steps into p_step;
    return c_chain_steps%found;
  exception
    when invalid_cursor then
      raise_application_error(-20402, 'chain ' || g_chain_name || ' was not started');
  end next_step;

  procedure finish_chain
  is
  begin
    if c_chain_steps%isopen then
      close c_chain_steps;
    end if;
    g_chain_name := null;
  end finish_chain;

end job_sched;
/

create or replace procedure job_heartbeat
is
  -- Called every minute by the APP_HEARTBEAT job.  Writes one row per
  -- running application job; old rows are removed by job_sched.purge.
  cursor c_jobs is
    select job_name, elapsed_time, session_id
      from user_scheduler_running_jobs
     where job_name like 'APP\_%' escape '\';
  type t_jobs is table of c_jobs%rowtype;
  l_jobs t_jobs;
begin
  open c_jobs;
  fetch c_jobs bulk collect into l_jobs;
  close c_jobs;

  forall i in 1 .. l_jobs.count
    insert into job_heartbeats (job_name, elapsed, sid, seen_at)
    values (l_jobs(i).job_name, l_jobs(i).elapsed_time, l_jobs(i).session_id, systimestamp);
  commit;
exception
  when others then
    if c_jobs%isopen then
      close c_jobs;
    end if;
    rollback;
    raise;
end job_heartbeat;
/
