create or replace package body audit_log_pkg is
  /*
    Audit log.

    write() runs in its own (autonomous) transaction so that the audit row
    survives a rollback of the caller.

    Remember: every explicit cursor that is OPENed here must be CLOSEd before
    the routine ends -- see the review notes of 2018-04 ("END LOOP without
    CLOSE in purge").
  */

  g_enabled boolean := true;

  e_table_missing exception;
  pragma exception_init(e_table_missing, -942);

  e_resource_busy exception;
  pragma exception_init(e_resource_busy, -54);

  -- -------------------------------------------------------------------------
  procedure write (
    p_event  in varchar2,
    p_detail in varchar2 default null,
    p_table  in varchar2 default null
  ) is
    pragma autonomous_transaction;
  begin
    if not g_enabled then
      return;
    end if;

    insert into audit_events (event_id, event_time, db_user, os_user, event_name, table_name, detail)
    values (audit_events_seq.nextval,
            systimestamp,
            user,
            sys_context('USERENV', 'OS_USER'),
            p_event,
            p_table,
            substr(p_detail, 1, 4000));
    commit;
  exception
    when others then
      rollback;
      -- never let auditing break the application
      null;
  end write;

  -- -------------------------------------------------------------------------
  procedure enable is
  begin
    g_enabled := true;
  end enable;

  procedure disable is
  begin
    g_enabled := false;
  end disable;

  -- -------------------------------------------------------------------------
  function last_event_id (p_table in varchar2) return number is
    cursor c_last is
      select event_id
        from audit_events
       where table_name = upper(p_table)
       order by event_time desc;
    l_id audit_events.event_id%type;
  begin
    open c_last;
    fetch c_last into l_id;
    return l_id;
  end last_event_id;

  -- -------------------------------------------------------------------------
  function events_for (p_user in varchar2, p_from in date, p_to in date)
    return sys_refcursor
  is
    l_rc sys_refcursor;
  begin
    open l_rc for
      select event_time, event_name, table_name, detail
        from audit_events
       where db_user = upper(p_user)
         and event_time between p_from and p_to
       order by event_time;
    return l_rc;
  end events_for;

  -- -------------------------------------------------------------------------
  -- generates a row level audit trigger for a table
  -- -------------------------------------------------------------------------
  procedure create_audit_trigger (p_table in varchar2) is
    l_table varchar2(130) := dbms_assert.simple_sql_name(p_table);
    l_ddl   varchar2(32767);
  begin
    l_ddl := q'[create or replace trigger ]' || l_table || q'[_aud
  after insert or update or delete on ]' || l_table || q'[
  for each row
declare
  cursor c_cols is
    select column_name from user_tab_columns where table_name = ']' || upper(l_table) || q'[';
begin
  -- the generated body only needs the first column name
  open c_cols;
  audit_log_pkg.write(case when inserting then 'INSERT'
                           when updating  then 'UPDATE'
                           else 'DELETE' end, null, ']' || upper(l_table) || q'[');
end;]';

    execute immediate l_ddl;
    write('DDL', 'audit trigger created', l_table);
  exception
    when e_table_missing then
      raise_application_error(-20401, 'Table ' || l_table || ' does not exist');
  end create_audit_trigger;

  -- -------------------------------------------------------------------------
  -- purge: deletes old audit rows in chunks to keep undo small
  -- -------------------------------------------------------------------------
  procedure purge (p_keep_days in pls_integer default 365) is
    l_total pls_integer := 0;
  begin
    <<purge_loop>>
    loop
      delete from audit_events
       where event_time < systimestamp - numtodsinterval(p_keep_days, 'DAY')
         and rownum <= 10000;
      l_total := l_total + sql%rowcount;
      exit purge_loop when sql%rowcount = 0;
      commit;
    end loop purge_loop;
    commit;
    write('PURGE', l_total || ' rows deleted, open/close cycle done');
  exception
    when e_resource_busy then
      rollback;
      write('PURGE', 'stopped: table is busy');
  end purge;

  -- -------------------------------------------------------------------------
  -- summary: one line per event name, printed with dbms_output
  -- -------------------------------------------------------------------------
  procedure summary (p_days in pls_integer default 7) is
    cursor c_sum (p_since timestamp) is
      select event_name, count(*) cnt
        from audit_events
       where event_time >= p_since
       group by event_name
       order by 2 desc;
    r_sum     c_sum%rowtype;
    l_mode    varchar2(10) := 'SHORT';
    l_printed pls_integer  := 0;
  begin
    open c_sum(systimestamp - numtodsinterval(p_days, 'DAY'));
    loop
      fetch c_sum into r_sum;
      case
        when c_sum%notfound then
          close c_sum;
          exit;
        when l_mode = 'SHORT' and l_printed >= 10 then
          dbms_output.put_line('...');
          close c_sum;
          exit;
        else
          dbms_output.put_line(rpad(r_sum.event_name, 30) || lpad(r_sum.cnt, 10));
          l_printed := l_printed + 1;
      end case;
    end loop;
  end summary;

  -- -------------------------------------------------------------------------
  -- table_activity: events per table, the cursor comes from the caller's
  -- choice of ordering
  -- -------------------------------------------------------------------------
  procedure table_activity (p_order_by in varchar2, p_rc out sys_refcursor) is
    l_sql varchar2(1000) := q'[select table_name, count(*) cnt, max(event_time) last_event
  from audit_events
 where table_name is not null
 group by table_name ]';
  begin
    l_sql := l_sql || case upper(p_order_by)
                        when 'NAME'  then 'order by table_name'
                        when 'COUNT' then 'order by cnt desc'
                        else              'order by last_event desc'
                      end;
    open p_rc for l_sql;
  end table_activity;

begin
  -- auditing can be switched off per session with the AUDIT_OFF context value
  g_enabled := nvl(sys_context('APP_CTX', 'AUDIT_OFF'), 'N') <> 'Y';
end audit_log_pkg;
/
